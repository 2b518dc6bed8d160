// SPDX-License-Identifier: Apache-2.0
#include "mdlFunctions.h"

#include "automation/AutomationError.h"
#include "automation/Dispatch.h"
#include "automation/Variant.h"
#include "platform/FileSystem.h"
#include "trap/ErrorTrap.h"

#include <QComboBox>
#include <QPointer>

using namespace Automation;

namespace mdlFunctions {

namespace {

const QString PublicationKey = QStringLiteral("Publication");

QObject *publicationNode(QObject *host)
{
    return Variant::toObject(call(host, u"NodeItem", {PublicationKey}));
}

QObject *objectMember(QObject *object, QStringView name)
{
    return Variant::toObject(get(object, name));
}

// A list that is nothing fails as any call on nothing does.
QComboBox *listOrRaise(QComboBox *books)
{
    if (!books)
        raise(ObjectNotSet);
    return books;
}

} // namespace

bool IsInvalidPublication(QObject *host)
{
    bool invalid = false;
    Trap::ErrorTrap trap(QStringLiteral(".mdlFunctions.IsInvalidPublication"));
    trap.run([&] {
        trap.at(1);
        if (!host) {
            invalid = true;
            return;
        }
        trap.at(2);
        if (Variant::isNothing(call(host, u"NodeItem", {PublicationKey}))) {
            invalid = true;
            return;
        }
        trap.at(3);
        if (Variant::isNothing(get(publicationNode(host), u"Child"))) {
            invalid = true;
            return;
        }
        trap.at(4);
        invalid = false;
    });
    return invalid;
}

bool FillBooksList(QComboBox *books, QObject *host)
{
    bool filled = false;
    Trap::ErrorTrap trap(QStringLiteral(".mdlFunctions.FillBooksList"));
    trap.run([&] {
        trap.at(1);
        listOrRaise(books)->clear();
        trap.at(2);
        // Adding entries raises the list's notifications, and their handlers may
        // yield: a node the host drops meanwhile reads as nothing.
        QPointer<QObject> node = objectMember(publicationNode(host), u"Child");
        trap.at(3);
        while (node) {
            books->addItem(Variant::toText(get(node, u"Text")));
            node = objectMember(node, u"Next");
        }
        trap.at(4);
        books->setCurrentIndex(0);
        trap.at(5);
        filled = true;
    });
    return filled;
}

QString GetPdfPath(QObject *host, qint32 index)
{
    QString path;
    Trap::ErrorTrap trap(QStringLiteral(".mdlFunctions.GetPdfPath"));
    trap.run([&] {
        trap.at(1);
        QPointer<QObject> node = objectMember(publicationNode(host), u"Child");
        trap.at(2);
        for (qint32 step = 0; step < index; ++step)
            node = objectMember(node, u"Next");
        trap.at(3);
        QObject *parameters =
            Variant::toObject(call(host, u"GetNodeParameters", {get(node, u"Key")}));
        QObject *bookPath =
            Variant::toObject(call(parameters, u"Item", {QStringLiteral("BookPath")}));
        path = Variant::toText(get(bookPath, u"Contents"));
        trap.at(4);
        // "None" is the host's word for an unpublished book, even when a file of
        // that name happens to exist in the current folder.
        if (!Platform::FileExists(path) || path == QLatin1String("None"))
            path.clear();
    });
    return path;
}

bool IsFileLocked(const QString &path)
{
    try {
        return Platform::FileLocked(path);
    } catch (...) {
        return true;
    }
}

} // namespace mdlFunctions
