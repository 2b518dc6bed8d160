// SPDX-License-Identifier: Apache-2.0
// clsField: one custom document-information field, a name and a value.
//
// The field set hands its fields out by reference (shared pointers): changing the
// Content of a field taken from the set changes the set. The name is set only from
// inside the component (the set when it creates a field, the dialog when it renames
// one it has just taken out of the set). Nothing is validated here.
#pragma once

#include <string>

namespace Fields {

class clsField
{
public:
    std::u16string Content() const { return m_content; }
    void setContent(const std::u16string &value) { m_content = value; }
    std::u16string Name() const { return m_name; }
    void setName(const std::u16string &value) { m_name = value; }

private:
    std::u16string m_name;
    std::u16string m_content;
};

} // namespace Fields
