// SPDX-License-Identifier: Apache-2.0
#include "VrnLabel.h"

namespace Controls {

VrnLabel::VrnLabel(Platform::Container &parent, const std::string &name)
    : m_label(Platform::createLabel(parent, name))
{
    m_label->setForeColor(Platform::SystemColor(Platform::COLOR_BTNTEXT));
}

} // namespace Controls
