// SPDX-License-Identifier: Apache-2.0
// NodeParameters: the parameter set of one publication node, as the host hands it
// out from GetNodeParameters. Item takes a parameter's name (letter case ignored) or
// its position from 1; a name or position it does not hold raises error 5. The set
// owns its parameters and hands them out by reference.
#pragma once

#include "NodeParameter.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

namespace Host {

class NodeParameters : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ClassID", "{3F0A9D7E-51C4-4B8A-8E62-7C1D94B5A2E3}")
    Q_CLASSINFO("Interface", "INodeParameters")
    Q_CLASSINFO("InterfaceID", "{A4C2E6F1-0B7D-4D38-93F5-6E8A1C2B7D90}")
    Q_CLASSINFO("DispId:Item", "0x00000000")
    Q_CLASSINFO("DispId:Count", "0x68030001")
    Q_PROPERTY(int Count READ Count)

public:
    explicit NodeParameters(QObject *parent) : QObject(parent) {}

    Q_INVOKABLE Host::NodeParameter *Item(const QVariant &Index) const;
    int Count() const { return int(m_items.size()); }

    // Sets a parameter, adding it when the set does not hold it yet.
    void set(const QString &name, const QString &contents);
    NodeParameter *find(const QString &name) const;

private:
    QList<NodeParameter *> m_items;
};

} // namespace Host
