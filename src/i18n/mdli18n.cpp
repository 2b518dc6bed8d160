// SPDX-License-Identifier: Apache-2.0
#include "mdli18n.h"

#include "automation/Variant.h"
#include "platform/Locale.h"
#include "platform/SystemFonts.h"
#include "platform/Toolkit.h"
#include "trap/ErrorTrap.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace mdli18n {

using namespace Platform;

namespace {

constexpr Lcid EnglishLocales[] = {1033, 2057, 3081,  4105,  5129,  6153, 7177,
                                   8201, 9225, 10249, 11273, 12297, 13321};

constexpr int LocaleBufferLength = 16;

// 9 points is a floor: smaller sizes are raised to 9, larger ones are kept. Below 9
// points the strokes of these scripts run together; the row boxes, 19 pixels high,
// fit 9 points (12 pixels at 96 DPI).
constexpr double SmallestCjkSize = 9;

bool isEnglish(Lcid lcid)
{
    return std::find(std::begin(EnglishLocales), std::end(EnglishLocales), lcid) !=
           std::end(EnglishLocales);
}

int charsetOf(std::int32_t codePage)
{
    switch (codePage) {
    case 1250:
        return EASTEUROPE_CHARSET;
    case 1251:
        return RUSSIAN_CHARSET;
    case 1252:
        return ANSI_CHARSET;
    case 1253:
        return GREEK_CHARSET;
    case 1254:
        return TURKISH_CHARSET;
    case 1255:
        return HEBREW_CHARSET;
    case 1256:
        return ARABIC_CHARSET;
    case 1257:
        return BALTIC_CHARSET;
    case 932:
        return SHIFTJIS_CHARSET;
    case 936:
        return GB2312_CHARSET;
    case 949:
        return HANGEUL_CHARSET;
    case 950:
        return CHINESEBIG5_CHARSET;
    default:
        return DEFAULT_CHARSET;
    }
}

// The face that carries a CJK code page; empty for any other code page.
std::u16string cjkFace(std::int32_t codePage)
{
    switch (codePage) {
    case 932: // MS P Gothic, in full-width Latin and katakana
        return {0xFF2D, 0xFF33, 0x0020, 0xFF30, 0x30B4, 0x30B7, 0x30C3, 0x30AF};
    case 936: // SimSun
        return {0x5B8B, 0x4F53};
    case 949: // Gulim
        return {0xAD74, 0xB9BC};
    case 950: // PMingLiU
        return {0x65B0, 0x7D30, 0x660E, 0x9AD4};
    default:
        return {};
    }
}

const LogFont &fontOfKind(const NonClientMetrics &metrics, std::int32_t fontKind)
{
    switch (fontKind) {
    case 2:
        return metrics.lfMessageFont;
    case 3:
    case 6:
        return metrics.lfMenuFont;
    case 5:
        return metrics.lfStatusFont;
    case 7:
        return metrics.lfSmCaptionFont;
    default:
        return metrics.lfCaptionFont;
    }
}

} // namespace

std::int32_t LocalCodePage()
{
    std::int32_t result = 0;
    Trap::ErrorTrap trap(u".mdli18n.LocalCodePage");
    trap.run([&] {
        trap.at(1);
        const Lcid lcid = GetThreadLocale();
        trap.at(2);
        if (isEnglish(lcid)) {
            result = 1252;
            return;
        }
        trap.at(3);
        // The system writes into a buffer of 16 NUL characters, and only when the
        // answer fits with its terminating NUL.
        std::string buffer(LocaleBufferLength, '\0');
        const std::string info = GetLocaleInfo(lcid, LOCALE_IDEFAULTANSICODEPAGE);
        if (info.size() < buffer.size())
            std::copy(info.begin(), info.end(), buffer.begin());
        buffer.resize(std::min(buffer.find('\0'), buffer.size()));
        result = Automation::Variant(FromAnsi(buffer)).toLong();
    });
    return result;
}

std::u16string SystemFont(std::int32_t fontKind)
{
    std::u16string result;
    Trap::ErrorTrap trap(u".mdli18n.SystemFont");
    trap.run([&] {
        trap.at(1);
        FaceName face{};
        bool given = false;
        if (fontKind == 4) {
            LogFont font;
            given = GetIconTitleLogFont(font);
            face = font.lfFaceName;
        } else {
            NonClientMetrics metrics;
            metrics.cbSize = NonClientMetricsSize;
            given = GetNonClientMetrics(metrics);
            face = fontOfKind(metrics, fontKind).lfFaceName;
        }
        trap.at(2);
        if (!given)
            return;
        trap.at(3);
        // The field's bytes up to its NUL; a face filling all 32 bytes has none.
        const std::string_view bytes(face.data(), face.size());
        result = FromAnsi(bytes.substr(0, bytes.find('\0')));
    });
    return result;
}

void SetProperFont(Font &font, std::int32_t codePage, std::int32_t fontKind)
{
    Trap::ErrorTrap trap(u".mdli18n.SetProperFont");
    trap.run([&] {
        trap.at(1);
        if (codePage == 0)
            codePage = LocalCodePage();
        trap.at(2);
        font.setCharset(charsetOf(codePage));
        trap.at(3);
        const std::u16string cjk = cjkFace(codePage);
        if (!cjk.empty()) {
            font.setName(cjk);
            if (font.size() < SmallestCjkSize)
                font.setSize(SmallestCjkSize);
            return;
        }
        trap.at(4);
        font.setName(SystemFont(fontKind));
    });
}

} // namespace mdli18n
