// SPDX-License-Identifier: Apache-2.0
#include "StdFont.h"

#include "automation/AutomationError.h"

#include <QFontInfo>

#include <cmath>

namespace Platform {

namespace {

constexpr char CharsetProperty[] = "Charset";

} // namespace

StdFont::StdFont(QWidget *owner) : m_owner(owner) {}

QWidget *StdFont::widget() const
{
    if (!m_owner)
        Automation::raise(Automation::ObjectNotSet);
    return m_owner;
}

QString StdFont::Name() const
{
    return widget()->font().family();
}

void StdFont::setName(const QString &name)
{
    QWidget *owner = widget();
    QFont font = owner->font();
    font.setFamily(name);
    owner->setFont(font);
}

double StdFont::Size() const
{
    const QFont font = widget()->font();
    // A font sized in pixels still has a size in points.
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    return std::nearbyint(points * 10000) / 10000;
}

void StdFont::setSize(double points)
{
    if (!(points > 0))
        Automation::raise(Automation::InvalidProcedureCall);
    QWidget *owner = widget();
    QFont font = owner->font();
    font.setPointSizeF(std::nearbyint(points * 10000) / 10000);
    owner->setFont(font);
}

int StdFont::Charset() const
{
    const QVariant charset = widget()->property(CharsetProperty);
    return charset.isValid() ? charset.toInt() : DEFAULT_CHARSET;
}

void StdFont::setCharset(int charset)
{
    widget()->setProperty(CharsetProperty, charset);
}

} // namespace Platform
