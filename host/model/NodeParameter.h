// SPDX-License-Identifier: Apache-2.0
// NodeParameter: one named parameter of a publication node, such as a book's
// "BookPath" (the full path of its published PDF, or "None").
#pragma once

#include <QObject>
#include <QString>

namespace Host {

class NodeParameter : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ClassID", "{5D337CAB-1E91-46C1-A3A7-D157AF8FB4F7}")
    Q_CLASSINFO("Interface", "INodeParameter")
    Q_CLASSINFO("InterfaceID", "{0E6B3C52-6C1D-4E47-9B8E-2B39A1D6F0C4}")
    Q_CLASSINFO("DispId:Name", "0x68030000")
    Q_CLASSINFO("DispId:Contents", "0x68030001")
    Q_PROPERTY(QString Name READ Name)
    Q_PROPERTY(QString Contents READ Contents)

public:
    NodeParameter(QString name, QString contents, QObject *parent)
        : QObject(parent), m_name(std::move(name)), m_contents(std::move(contents))
    {}

    QString Name() const { return m_name; }
    QString Contents() const { return m_contents; }
    void setContents(const QString &contents) { m_contents = contents; }

private:
    QString m_name;
    QString m_contents;
};

} // namespace Host
