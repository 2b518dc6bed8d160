// SPDX-License-Identifier: Apache-2.0
#include "mdlFunctions.h"

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "platform/FileSystem.h"
#include "platform/Toolkit.h"
#include "trap/ErrorTrap.h"

using namespace Automation;

namespace mdlFunctions {

namespace {

const std::u16string PublicationKey = u"Publication";

Ref<Object> publicationNode(Object *host)
{
    return call(host, u"NodeItem", {PublicationKey}).toObject();
}

Ref<Object> objectMember(const Ref<Object> &object, std::u16string_view name)
{
    return get(object, name).toObject();
}

} // namespace

bool IsInvalidPublication(Object *host)
{
    bool invalid = false;
    Trap::ErrorTrap trap(u".mdlFunctions.IsInvalidPublication");
    trap.run([&] {
        trap.at(1);
        if (!host) {
            invalid = true;
            return;
        }
        trap.at(2);
        if (call(host, u"NodeItem", {PublicationKey}).isNothing()) {
            invalid = true;
            return;
        }
        trap.at(3);
        if (get(publicationNode(host), u"Child").isNothing()) {
            invalid = true;
            return;
        }
        trap.at(4);
        invalid = false;
    });
    return invalid;
}

bool FillBooksList(Platform::DropDownList &books, Object *host)
{
    bool filled = false;
    Trap::ErrorTrap trap(u".mdlFunctions.FillBooksList");
    trap.run([&] {
        trap.at(1);
        books.clear();
        trap.at(2);
        Ref<Object> node = objectMember(publicationNode(host), u"Child");
        trap.at(3);
        while (node) {
            books.addItem(get(node, u"Text").toText());
            node = objectMember(node, u"Next");
        }
        trap.at(4);
        books.setSelectedIndex(0);
        trap.at(5);
        filled = true;
    });
    return filled;
}

std::u16string GetPdfPath(Object *host, std::int32_t index)
{
    std::u16string path;
    Trap::ErrorTrap trap(u".mdlFunctions.GetPdfPath");
    trap.run([&] {
        trap.at(1);
        Ref<Object> node = objectMember(publicationNode(host), u"Child");
        trap.at(2);
        for (std::int32_t step = 0; step < index; ++step)
            node = objectMember(node, u"Next");
        trap.at(3);
        const Ref<Object> parameters =
            call(host, u"GetNodeParameters", {get(node, u"Key")}).toObject();
        const Ref<Object> bookPath = call(parameters, u"Item", {u"BookPath"}).toObject();
        path = get(bookPath, u"Contents").toText();
        trap.at(4);
        // "None" is the host's word for an unpublished book, even when a file of
        // that name happens to exist in the current folder.
        if (!Platform::FileExists(path) || path == u"None")
            path.clear();
    });
    return path;
}

bool IsFileLocked(const std::u16string &path)
{
    try {
        return Platform::FileLocked(path);
    } catch (...) {
        return true;
    }
}

} // namespace mdlFunctions
