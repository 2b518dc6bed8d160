// SPDX-License-Identifier: Apache-2.0
// VrnLabel: a one-line or wrapped text with a text colour given as an OLE colour.
//
// The dialog uses three things of it: the caption, the enabled state and the text
// colour. The colour is an OLE colour (SystemColors.h): a system colour is kept by
// reference and follows later changes of the system's colours, a plain RGB value
// stays as given. A disabled label draws its text in the system's grey text,
// whatever its colour, as the toolkit draws any disabled label.
#pragma once

#include "platform/Toolkit.h"

#include <memory>
#include <string>

namespace Controls {

class VrnLabel
{
public:
    // Button text, left aligned, no caption; `name` is its window's.
    VrnLabel(Platform::Container &parent, const std::string &name);

    std::u16string Caption() const { return m_label->caption(); }
    void setCaption(const std::u16string &value) { m_label->setCaption(value); }
    bool Enabled() const { return m_label->isEnabled(); }
    void setEnabled(bool value) { m_label->setEnabled(value); }
    Platform::OleColor ForeColor() const { return m_label->foreColor(); }
    void setForeColor(Platform::OleColor value) { m_label->setForeColor(value); }

    // Its place, visibility and the rest of the toolkit's label.
    Platform::Label &control() { return *m_label; }

private:
    std::unique_ptr<Platform::Label> m_label;
};

} // namespace Controls
