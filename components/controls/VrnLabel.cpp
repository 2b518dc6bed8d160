// SPDX-License-Identifier: Apache-2.0
#include "VrnLabel.h"

namespace Controls {

VrnLabel::VrnLabel(QWidget *parent) : QLabel(parent)
{
    Platform::SetForeColor(this, Platform::SystemColor(Platform::COLOR_BTNTEXT));
}

} // namespace Controls
