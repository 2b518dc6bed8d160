// SPDX-License-Identifier: Apache-2.0
#include "SystemFonts.h"

#include <algorithm>
#include <utility>

namespace Platform {

namespace {

SystemFontHandlers &handlers()
{
    static SystemFontHandlers current{SystemNonClientMetrics, SystemIconTitleLogFont};
    return current;
}

} // namespace

FaceName FaceNameOf(std::u16string_view face)
{
    FaceName field{};
    std::size_t used = 0;
    // Whole characters only, leaving room for the terminating NUL.
    for (std::size_t i = 0; i < face.size();) {
        const std::size_t length =
            face[i] >= 0xD800 && face[i] < 0xDC00 && i + 1 < face.size() ? 2 : 1;
        const std::string bytes = ToAnsi(face.substr(i, length));
        if (used + bytes.size() > field.size() - 1)
            break;
        std::copy(bytes.begin(), bytes.end(), field.begin() + std::ptrdiff_t(used));
        used += bytes.size();
        i += length;
    }
    return field;
}

bool GetNonClientMetrics(NonClientMetrics &metrics)
{
    return handlers().nonClientMetrics(metrics);
}

bool GetIconTitleLogFont(LogFont &font)
{
    return handlers().iconTitleFont(font);
}

SystemFontHandlers setSystemFontHandlers(SystemFontHandlers replacement)
{
    if (!replacement.nonClientMetrics)
        replacement.nonClientMetrics = SystemNonClientMetrics;
    if (!replacement.iconTitleFont)
        replacement.iconTitleFont = SystemIconTitleLogFont;
    return std::exchange(handlers(), std::move(replacement));
}

} // namespace Platform
