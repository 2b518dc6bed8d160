// SPDX-License-Identifier: Apache-2.0
// The fonts of the Win32 toolkit: a font made from its face, size and character set,
// the system's dialog font, and the first installed face of a list.
#include "automation/Text.h"
#include "platform/Twips.h"

#include "WindowPart.h"

#include <algorithm>
#include <cmath>

namespace Platform::Win32 {

HFONT makeFont(const FontSpec &wanted)
{
    LOGFONTW font{};
    font.lfHeight = -LONG(std::lround(wanted.points * ScreenDpiY() / 72));
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = BYTE(wanted.charset);
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = wide(wanted.face).substr(0, LF_FACESIZE - 1);
    std::copy(face.begin(), face.end(), font.lfFaceName);
    return CreateFontIndirectW(&font);
}

HFONT defaultFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

FontSpec defaultFontSpec()
{
    LOGFONTW font{};
    GetObjectW(defaultFont(), sizeof font, &font);
    return FontSpec{u16(font.lfFaceName), std::fabs(double(font.lfHeight)) * 72 / ScreenDpiY(),
                    DEFAULT_CHARSET};
}

namespace {

int CALLBACK faceFound(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found)
{
    *reinterpret_cast<bool *>(found) = true;
    return 0;
}

bool faceInstalled(const std::u16string &face)
{
    if (face.empty() || face.size() >= LF_FACESIZE)
        return false;
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    const std::wstring name = wide(face);
    std::copy(name.begin(), name.end(), font.lfFaceName);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &font, faceFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

} // namespace

std::u16string firstInstalledFace(const std::u16string &faces)
{
    std::u16string first;
    std::size_t start = 0;
    while (start <= faces.size()) {
        std::size_t end = faces.find(u';', start);
        if (end == std::u16string::npos)
            end = faces.size();
        const std::u16string face(Automation::trimmed(faces.substr(start, end - start)));
        if (!face.empty()) {
            if (faceInstalled(face))
                return face;
            if (first.empty())
                first = face;
        }
        start = end + 1;
    }
    return first;
}

} // namespace Platform::Win32
