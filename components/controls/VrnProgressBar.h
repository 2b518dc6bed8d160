// SPDX-License-Identifier: Apache-2.0
// VrnProgressBar: a bar that shows a percentage.
//
// The dialog sets its value (a 16-bit whole number, the percentage of the current
// write) and shows or hides it. The bar spans 0 to 100: a value outside is kept and
// read back as given, and drawn as the nearest end. A value set while the bar is
// hidden is kept and shown when the bar is.
#pragma once

#include <QProgressBar>

namespace Controls {

class VrnProgressBar : public QProgressBar
{
    Q_OBJECT
    Q_PROPERTY(qint16 Value READ Value WRITE setValue)
    Q_PROPERTY(bool Visible READ isVisible WRITE setVisible)

public:
    // 0 to 100, at 0, without a text.
    explicit VrnProgressBar(QWidget *parent = nullptr);

    qint16 Value() const { return m_value; }
    void setValue(qint16 value);

private:
    qint16 m_value = 0;
};

} // namespace Controls
