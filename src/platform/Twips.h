// SPDX-License-Identifier: Apache-2.0
// Twips: the host's size unit. A twip is 1/1440 inch; the screen has 1440 / logical
// DPI twips per pixel (15 at 96 DPI). Geometry stated in twips is converted here and
// nowhere else. The arithmetic is portable; the screen's logical DPI is the
// platform's (ScreenDpi).
#pragma once

namespace Platform {

// The primary screen's logical dots per inch (96 without a screen).
double ScreenDpiX();
double ScreenDpiY();

// Twips per pixel of the primary screen, horizontally and vertically.
double TwipsPerPixelX();
double TwipsPerPixelY();

// Replaces the screen's answer (tests fix 15 twips per pixel); 0 restores the screen.
void setTwipsPerPixel(double x, double y);

// Whole pixels of a twip length: both operands are rounded to whole numbers (halves
// to even) and divided as integers, truncating towards zero. 4935 twips at 15 twips
// per pixel are 329 pixels.
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);

// The twip length of a pixel length.
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);

} // namespace Platform
