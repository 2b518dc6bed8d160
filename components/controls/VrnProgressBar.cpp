// SPDX-License-Identifier: Apache-2.0
#include "VrnProgressBar.h"

namespace Controls {

VrnProgressBar::VrnProgressBar(Platform::Container &parent, const std::string &name)
    : m_bar(Platform::createProgressBar(parent, name))
{
    m_bar->setValue(0);
}

void VrnProgressBar::setValue(std::int16_t value)
{
    m_value = value;
    m_bar->setValue(value);
}

} // namespace Controls
