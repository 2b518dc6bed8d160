// SPDX-License-Identifier: Apache-2.0
#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace Platform {

namespace {

constexpr double TwipsPerInch = 1440;

struct Override
{
    double x = 0;
    double y = 0;
};

Override &fixed()
{
    static Override value;
    return value;
}

double screenDpi(bool horizontal)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96; // no display: the toolkit's own default
    return horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
}

int toPixels(double twips, double twipsPerPixel)
{
    // The host's integer division: operands rounded first, halves to even.
    const long long divisor = std::llrint(twipsPerPixel);
    if (divisor == 0)
        return 0;
    return int(std::llrint(twips) / divisor);
}

} // namespace

double TwipsPerPixelX()
{
    return fixed().x > 0 ? fixed().x : TwipsPerInch / screenDpi(true);
}

double TwipsPerPixelY()
{
    return fixed().y > 0 ? fixed().y : TwipsPerInch / screenDpi(false);
}

void setTwipsPerPixel(double x, double y)
{
    fixed() = Override{x, y};
}

int TwipsToPixelsX(double twips)
{
    return toPixels(twips, TwipsPerPixelX());
}

int TwipsToPixelsY(double twips)
{
    return toPixels(twips, TwipsPerPixelY());
}

double PixelsToTwipsX(int pixels)
{
    return pixels * TwipsPerPixelX();
}

double PixelsToTwipsY(int pixels)
{
    return pixels * TwipsPerPixelY();
}

} // namespace Platform
