// SPDX-License-Identifier: Apache-2.0
#include "VrnProgressBar.h"

#include <algorithm>

namespace Controls {

VrnProgressBar::VrnProgressBar(QWidget *parent) : QProgressBar(parent)
{
    setRange(0, 100);
    QProgressBar::setValue(0);
    setTextVisible(false);
}

void VrnProgressBar::setValue(qint16 value)
{
    m_value = value;
    // QProgressBar ignores a value out of its range: the bar would stay where it was.
    QProgressBar::setValue(std::clamp<int>(value, minimum(), maximum()));
}

} // namespace Controls
