// SPDX-License-Identifier: Apache-2.0
// WindowCapture: a window as the screen shows it, saved as a PNG file. The host's
// --screenshot and the Windows test client take their pictures with it.
//
// The window is redrawn first (with its children), then its pixels are copied from the
// screen: a window covered by another shows what covers it. The file is 8-bit RGB,
// written whole or not at all as far as the caller can tell: false when it could not
// be written.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Host {

enum class CaptureArea
{
    Client, // the client area: what the window itself draws
    Window, // the whole window: frame, caption and menu bar too
};

bool captureWindow(HWND window, const std::wstring &path, CaptureArea area = CaptureArea::Client);

// Writes `rgb` (height rows of width pixels, 3 bytes each, top row first) as a PNG.
bool writePng(const std::wstring &path, int width, int height,
              const std::vector<std::uint8_t> &rgb);

} // namespace Host
