// SPDX-License-Identifier: Apache-2.0
// NodeParameter: one named parameter of a publication node, such as a book's
// "BookPath" (the full path of its published PDF, or "None").
#pragma once

#include "automation/Object.h"

#include <string>

namespace Automation {
class ClassInfo;
}

namespace Host {

class NodeParameter : public Automation::Object
{
public:
    static constexpr char InterfaceName[] = "INodeParameter";

    NodeParameter(std::u16string name, std::u16string contents)
        : m_name(std::move(name)), m_contents(std::move(contents))
    {}

    static const Automation::ClassInfo &staticClassInfo();
    const Automation::ClassInfo *classInfo() const override { return &staticClassInfo(); }

    std::u16string Name() const { return m_name; }
    std::u16string Contents() const { return m_contents; }
    void setContents(const std::u16string &contents) { m_contents = contents; }

private:
    std::u16string m_name;
    std::u16string m_contents;
};

} // namespace Host
