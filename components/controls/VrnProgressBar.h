// SPDX-License-Identifier: Apache-2.0
// VrnProgressBar: a bar that shows a percentage.
//
// The dialog sets its value (a 16-bit whole number, the percentage of the current
// write) and shows or hides it. The bar spans 0 to 100: a value outside is kept and
// read back as given, and drawn as the nearest end. A value set while the bar is
// hidden is kept and shown when the bar is.
#pragma once

#include "platform/Toolkit.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Controls {

class VrnProgressBar
{
public:
    // 0 to 100, at 0, without a text; `name` is its window's.
    VrnProgressBar(Platform::Container &parent, const std::string &name);

    std::int16_t Value() const { return m_value; }
    void setValue(std::int16_t value);
    bool Visible() const { return m_bar->isVisible(); }
    void setVisible(bool value) { m_bar->setVisible(value); }

    // Its place and the rest of the toolkit's bar.
    Platform::ProgressBar &control() { return *m_bar; }

private:
    std::unique_ptr<Platform::ProgressBar> m_bar;
    std::int16_t m_value = 0;
};

} // namespace Controls
