// SPDX-License-Identifier: Apache-2.0
// The system's answers on Windows: the screen's DPI, the system colours, the thread
// locale and locale information, the user-interface fonts, the ANSI code page.
#include "platform/Locale.h"
#include "platform/SystemColors.h"
#include "platform/SystemFonts.h"
#include "platform/Twips.h"

#include "Win32.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace Platform {

namespace {

// Read once: a process that is not aware of each monitor's DPI keeps the system's for
// its whole life, and under wine each question costs the screen's device context and
// three round trips to its server (every conversion of twips asks).
double screenDpi(int axis)
{
    static const auto read = [](int which) {
        const HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, which) : 0;
        if (screen)
            ReleaseDC(nullptr, screen);
        return dpi > 0 ? double(dpi) : 96.0;
    };
    static const double x = read(LOGPIXELSX);
    static const double y = read(LOGPIXELSY);
    return axis == LOGPIXELSX ? x : y;
}

// A face-name field as the system filled it: up to its NUL, the rest cleared.
FaceName faceOf(const char (&face)[LF_FACESIZE])
{
    FaceName field{};
    const std::size_t length = strnlen(face, field.size() - 1);
    std::copy_n(face, length, field.begin());
    return field;
}

// The ANSI structure the component has always passed: without iPaddedBorderWidth,
// which Windows Vista added.
constexpr UINT ClassicNonClientMetricsSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
static_assert(ClassicNonClientMetricsSize == NonClientMetricsSize);

} // namespace

double ScreenDpiX()
{
    return screenDpi(LOGPIXELSX);
}

double ScreenDpiY()
{
    return screenDpi(LOGPIXELSY);
}

Rgb GetSysColor(int index)
{
    return ::GetSysColor(index);
}

Lcid SystemThreadLocale()
{
    return ::GetThreadLocale();
}

std::string SystemLocaleInfo(Lcid lcid, int item)
{
    char buffer[16] = {};
    if (GetLocaleInfoA(lcid, LCTYPE(item), buffer, int(sizeof buffer)) <= 0)
        return {};
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

bool SystemNonClientMetrics(NonClientMetrics &metrics)
{
    if (metrics.cbSize != NonClientMetricsSize)
        return false;
    NONCLIENTMETRICSA system{};
    system.cbSize = ClassicNonClientMetricsSize;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ClassicNonClientMetricsSize, &system, 0))
        return false;
    metrics.lfCaptionFont.lfFaceName = faceOf(system.lfCaptionFont.lfFaceName);
    metrics.lfSmCaptionFont.lfFaceName = faceOf(system.lfSmCaptionFont.lfFaceName);
    metrics.lfMenuFont.lfFaceName = faceOf(system.lfMenuFont.lfFaceName);
    metrics.lfStatusFont.lfFaceName = faceOf(system.lfStatusFont.lfFaceName);
    metrics.lfMessageFont.lfFaceName = faceOf(system.lfMessageFont.lfFaceName);
    return true;
}

bool SystemIconTitleLogFont(LogFont &font)
{
    LOGFONTA system{};
    if (!SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof system, &system, 0))
        return false;
    font.lfFaceName = faceOf(system.lfFaceName);
    return true;
}

std::string ToAnsi(std::u16string_view text)
{
    if (text.empty() || text.size() > std::size_t(INT_MAX))
        return {};
    const std::wstring source = wide(text);
    const int length = int(source.size());
    const int size =
        WideCharToMultiByte(CP_ACP, 0, source.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string bytes(std::size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, source.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::u16string FromAnsi(std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > std::size_t(INT_MAX))
        return {};
    const int length = int(bytes.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring text(std::size_t(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), size);
    return u16(text);
}

} // namespace Platform
