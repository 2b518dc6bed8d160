// SPDX-License-Identifier: Apache-2.0
// VrnLabel: a one-line or wrapped text with a text colour given as an OLE colour.
//
// The dialog uses three things of it: the caption, the enabled state and the text
// colour. The colour is an OLE colour (SystemColors.h): a system colour is kept by
// reference and follows later changes of the application palette, a plain RGB value
// stays as given. A disabled label draws its text in the system's grey text,
// whatever its colour, as the toolkit draws any disabled label.
#pragma once

#include "platform/SystemColors.h"

#include <QLabel>

namespace Controls {

class VrnLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE setForeColor)

public:
    // Button text, left aligned, no caption.
    explicit VrnLabel(QWidget *parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString &value) { setText(value); }
    Platform::OleColor ForeColor() const { return Platform::ForeColor(this); }
    void setForeColor(Platform::OleColor value) { Platform::SetForeColor(this, value); }
};

} // namespace Controls
