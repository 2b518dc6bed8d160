// SPDX-License-Identifier: Apache-2.0
#include "Twips.h"

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
    return fixed().x > 0 ? fixed().x : TwipsPerInch / ScreenDpiX();
}

double TwipsPerPixelY()
{
    return fixed().y > 0 ? fixed().y : TwipsPerInch / ScreenDpiY();
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
