// SPDX-License-Identifier: Apache-2.0
// StdFont: the font object of a widget as automation code sees it: a face name, a
// size in points with four decimals, and a Windows character set.
//
// It works on the widget's own font, so every change shows at once. Qt's fonts are
// Unicode and have no character set; the set is kept beside the font, on the widget,
// for whoever asks (a widget never given one reads 1, DEFAULT_CHARSET).
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace Platform {

// Character-set numbers of the system's font interface.
enum Charset
{
    ANSI_CHARSET = 0,
    DEFAULT_CHARSET = 1,
    SHIFTJIS_CHARSET = 128,
    HANGEUL_CHARSET = 129,
    GB2312_CHARSET = 134,
    CHINESEBIG5_CHARSET = 136,
    GREEK_CHARSET = 161,
    TURKISH_CHARSET = 162,
    HEBREW_CHARSET = 177,
    ARABIC_CHARSET = 178,
    BALTIC_CHARSET = 186,
    RUSSIAN_CHARSET = 204,
    EASTEUROPE_CHARSET = 238,
};

class StdFont
{
public:
    // The font object of `owner`; error 91 on use when there is no widget.
    explicit StdFont(QWidget *owner);

    QString Name() const;
    // An empty name leaves the face to the toolkit's default.
    void setName(const QString &name);
    double Size() const;
    void setSize(double points);
    int Charset() const;
    void setCharset(int charset);

private:
    QWidget *widget() const;
    QPointer<QWidget> m_owner;
};

} // namespace Platform
