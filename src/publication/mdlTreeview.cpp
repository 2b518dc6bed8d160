// SPDX-License-Identifier: Apache-2.0
#include "mdlTreeview.h"

#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "platform/Toolkit.h"
#include "trap/ErrorTrap.h"

using namespace Automation;

namespace mdlTreeview {

namespace {

std::u16string tagOf(const Ref<Object> &node)
{
    return get(node, u"Tag").toText();
}

Ref<Object> asTreeViewNode(const Variant &value)
{
    return queryInterface(value.toObject(), TreeViewNodeInterface);
}

} // namespace

void InitCombo(Platform::DropDownList &books, Object *host)
{
    Trap::ErrorTrap trap(u".mdlTreeview.InitCombo");
    trap.run([&] {
        trap.at(1);
        const int byDefault = books.count() > 0 ? 0 : -1;
        trap.at(2);
        if (!host) {
            books.setSelectedIndex(byDefault);
            return;
        }
        trap.at(3);
        const Ref<Object> tree = queryInterface(Ref<Object>(host), HostTreeInterface);
        Ref<Object> node = asTreeViewNode(get(tree.get(), SelectedNodeId));
        if (!node) {
            books.setSelectedIndex(byDefault);
            return;
        }
        trap.at(4);
        if (tagOf(node) == u"Publication") {
            books.setSelectedIndex(byDefault);
            return;
        }
        trap.at(5);
        // Walking past the root reaches nothing, and the next call on it fails.
        while (tagOf(node) != u"Book")
            node = asTreeViewNode(get(node, u"Parent"));
        trap.at(6);
        const std::u16string book = get(node, u"Text").toText();
        int found = 0;
        for (int i = 0; i < books.count(); ++i) {
            if (books.itemText(i) == book) {
                found = i;
                break;
            }
        }
        trap.at(7);
        books.setSelectedIndex(found);
    });
}

} // namespace mdlTreeview
