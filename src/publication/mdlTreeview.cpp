// SPDX-License-Identifier: Apache-2.0
#include "mdlTreeview.h"

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "trap/ErrorTrap.h"

#include <QComboBox>
#include <QPointer>

using namespace Automation;

namespace mdlTreeview {

namespace {

QString tagOf(QObject *node)
{
    return Variant::toText(get(node, u"Tag"));
}

QObject *asTreeViewNode(const QVariant &value)
{
    return queryInterface(Variant::toObject(value), QLatin1String(TreeViewNodeInterface));
}

} // namespace

void InitCombo(QComboBox *books, QObject *host)
{
    Trap::ErrorTrap trap(QStringLiteral(".mdlTreeview.InitCombo"));
    trap.run([&] {
        trap.at(1);
        if (!books)
            raise(ObjectNotSet);
        const int byDefault = books->count() > 0 ? 0 : -1;
        trap.at(2);
        if (!host) {
            books->setCurrentIndex(byDefault);
            return;
        }
        trap.at(3);
        QObject *tree = queryInterface(host, QLatin1String(HostTreeInterface));
        QPointer<QObject> node = asTreeViewNode(get(tree, SelectedNodeId));
        if (!node) {
            books->setCurrentIndex(byDefault);
            return;
        }
        trap.at(4);
        if (tagOf(node) == QLatin1String("Publication")) {
            books->setCurrentIndex(byDefault);
            return;
        }
        trap.at(5);
        // Walking past the root reaches nothing, and the next call on it fails.
        while (tagOf(node) != QLatin1String("Book"))
            node = asTreeViewNode(get(node, u"Parent"));
        trap.at(6);
        const QString book = Variant::toText(get(node, u"Text"));
        int found = 0;
        for (int i = 0; i < books->count(); ++i) {
            if (books->itemText(i) == book) {
                found = i;
                break;
            }
        }
        trap.at(7);
        books->setCurrentIndex(found);
    });
}

} // namespace mdlTreeview
