// SPDX-License-Identifier: Apache-2.0
// The thread locale and the ANSI code page on Linux: the system locale (QLocale) and
// one table of locales with their identifiers and code pages.
#include "QtLocale.h"

#include <QLocale>

#include <string>

namespace Platform {

namespace {

using L = QLocale;

struct Entry
{
    QLocale::Language language;
    QLocale::Script script; // AnyScript: the language's usual script
    QLocale::Territory territory;
    Lcid lcid;
    int codePage;
};

// The first entry of a language is its main identifier. Identifiers are decimal, as
// the system documents them in hexadecimal: 1033 is 0x0409.
constexpr Entry Table[] = {
    // English: the thirteen identifiers the component knows as 1252 by heart.
    {L::English, L::AnyScript, L::UnitedStates, 1033, 1252},
    {L::English, L::AnyScript, L::UnitedKingdom, 2057, 1252},
    {L::English, L::AnyScript, L::Australia, 3081, 1252},
    {L::English, L::AnyScript, L::Canada, 4105, 1252},
    {L::English, L::AnyScript, L::NewZealand, 5129, 1252},
    {L::English, L::AnyScript, L::Ireland, 6153, 1252},
    {L::English, L::AnyScript, L::SouthAfrica, 7177, 1252},
    {L::English, L::AnyScript, L::Jamaica, 8201, 1252},
    {L::English, L::AnyScript, L::Bahamas, 9225, 1252}, // the Caribbean
    {L::English, L::AnyScript, L::Barbados, 9225, 1252},
    {L::English, L::AnyScript, L::AntiguaAndBarbuda, 9225, 1252},
    {L::English, L::AnyScript, L::Grenada, 9225, 1252},
    {L::English, L::AnyScript, L::SaintLucia, 9225, 1252},
    {L::English, L::AnyScript, L::Belize, 10249, 1252},
    {L::English, L::AnyScript, L::TrinidadAndTobago, 11273, 1252},
    {L::English, L::AnyScript, L::Zimbabwe, 12297, 1252},
    {L::English, L::AnyScript, L::Philippines, 13321, 1252},
    // Chinese, Japanese, Korean.
    {L::Japanese, L::AnyScript, L::Japan, 1041, 932},
    {L::Chinese, L::SimplifiedHanScript, L::China, 2052, 936},
    {L::Chinese, L::SimplifiedHanScript, L::Singapore, 4100, 936},
    {L::Chinese, L::TraditionalHanScript, L::Taiwan, 1028, 950},
    {L::Chinese, L::TraditionalHanScript, L::HongKong, 3076, 950},
    {L::Chinese, L::TraditionalHanScript, L::Macao, 5124, 950},
    {L::Korean, L::AnyScript, L::SouthKorea, 1042, 949},
    // Western European.
    {L::French, L::AnyScript, L::France, 1036, 1252},
    {L::French, L::AnyScript, L::Belgium, 2060, 1252},
    {L::French, L::AnyScript, L::Canada, 3084, 1252},
    {L::French, L::AnyScript, L::Switzerland, 4108, 1252},
    {L::French, L::AnyScript, L::Luxembourg, 5132, 1252},
    {L::French, L::AnyScript, L::Monaco, 6156, 1252},
    {L::German, L::AnyScript, L::Germany, 1031, 1252},
    {L::German, L::AnyScript, L::Switzerland, 2055, 1252},
    {L::German, L::AnyScript, L::Austria, 3079, 1252},
    {L::German, L::AnyScript, L::Luxembourg, 4103, 1252},
    {L::German, L::AnyScript, L::Liechtenstein, 5127, 1252},
    {L::Spanish, L::AnyScript, L::Spain, 3082, 1252},
    {L::Spanish, L::AnyScript, L::Mexico, 2058, 1252},
    {L::Spanish, L::AnyScript, L::Guatemala, 4106, 1252},
    {L::Spanish, L::AnyScript, L::CostaRica, 5130, 1252},
    {L::Spanish, L::AnyScript, L::Panama, 6154, 1252},
    {L::Spanish, L::AnyScript, L::DominicanRepublic, 7178, 1252},
    {L::Spanish, L::AnyScript, L::Venezuela, 8202, 1252},
    {L::Spanish, L::AnyScript, L::Colombia, 9226, 1252},
    {L::Spanish, L::AnyScript, L::Peru, 10250, 1252},
    {L::Spanish, L::AnyScript, L::Argentina, 11274, 1252},
    {L::Spanish, L::AnyScript, L::Ecuador, 12298, 1252},
    {L::Spanish, L::AnyScript, L::Chile, 13322, 1252},
    {L::Spanish, L::AnyScript, L::Uruguay, 14346, 1252},
    {L::Spanish, L::AnyScript, L::Paraguay, 15370, 1252},
    {L::Spanish, L::AnyScript, L::Bolivia, 16394, 1252},
    {L::Spanish, L::AnyScript, L::ElSalvador, 17418, 1252},
    {L::Spanish, L::AnyScript, L::Honduras, 18442, 1252},
    {L::Spanish, L::AnyScript, L::Nicaragua, 19466, 1252},
    {L::Spanish, L::AnyScript, L::PuertoRico, 20490, 1252},
    {L::Spanish, L::AnyScript, L::UnitedStates, 21514, 1252},
    {L::Italian, L::AnyScript, L::Italy, 1040, 1252},
    {L::Italian, L::AnyScript, L::Switzerland, 2064, 1252},
    {L::Portuguese, L::AnyScript, L::Brazil, 1046, 1252},
    {L::Portuguese, L::AnyScript, L::Portugal, 2070, 1252},
    {L::Dutch, L::AnyScript, L::Netherlands, 1043, 1252},
    {L::Dutch, L::AnyScript, L::Belgium, 2067, 1252},
    {L::Danish, L::AnyScript, L::Denmark, 1030, 1252},
    {L::Swedish, L::AnyScript, L::Sweden, 1053, 1252},
    {L::Swedish, L::AnyScript, L::Finland, 2077, 1252},
    {L::NorwegianBokmal, L::AnyScript, L::Norway, 1044, 1252},
    {L::NorwegianNynorsk, L::AnyScript, L::Norway, 2068, 1252},
    {L::Finnish, L::AnyScript, L::Finland, 1035, 1252},
    {L::Icelandic, L::AnyScript, L::Iceland, 1039, 1252},
    {L::Faroese, L::AnyScript, L::FaroeIslands, 1080, 1252},
    {L::Catalan, L::AnyScript, L::Spain, 1027, 1252},
    {L::Basque, L::AnyScript, L::Spain, 1069, 1252},
    {L::Galician, L::AnyScript, L::Spain, 1110, 1252},
    {L::Irish, L::AnyScript, L::Ireland, 2108, 1252},
    {L::Welsh, L::AnyScript, L::UnitedKingdom, 1106, 1252},
    {L::Luxembourgish, L::AnyScript, L::Luxembourg, 4204, 1252},
    {L::WesternFrisian, L::AnyScript, L::Netherlands, 1122, 1252},
    {L::Afrikaans, L::AnyScript, L::SouthAfrica, 1078, 1252},
    {L::Indonesian, L::AnyScript, L::Indonesia, 1057, 1252},
    {L::Malay, L::AnyScript, L::Malaysia, 1086, 1252},
    {L::Malay, L::AnyScript, L::Brunei, 2110, 1252},
    {L::Swahili, L::AnyScript, L::Kenya, 1089, 1252},
    {L::Filipino, L::AnyScript, L::Philippines, 1124, 1252},
    // Central European.
    {L::Czech, L::AnyScript, L::CzechRepublic, 1029, 1250},
    {L::Polish, L::AnyScript, L::Poland, 1045, 1250},
    {L::Hungarian, L::AnyScript, L::Hungary, 1038, 1250},
    {L::Slovak, L::AnyScript, L::Slovakia, 1051, 1250},
    {L::Slovenian, L::AnyScript, L::Slovenia, 1060, 1250},
    {L::Croatian, L::AnyScript, L::Croatia, 1050, 1250},
    {L::Croatian, L::AnyScript, L::BosniaAndHerzegowina, 4122, 1250},
    {L::Romanian, L::AnyScript, L::Romania, 1048, 1250},
    {L::Albanian, L::AnyScript, L::Albania, 1052, 1250},
    {L::Bosnian, L::LatinScript, L::BosniaAndHerzegowina, 5146, 1250},
    {L::Serbian, L::LatinScript, L::Serbia, 9242, 1250},
    {L::Serbian, L::LatinScript, L::Montenegro, 11290, 1250},
    {L::Turkmen, L::AnyScript, L::Turkmenistan, 1090, 1250},
    // Cyrillic.
    {L::Russian, L::AnyScript, L::Russia, 1049, 1251},
    {L::Ukrainian, L::AnyScript, L::Ukraine, 1058, 1251},
    {L::Belarusian, L::AnyScript, L::Belarus, 1059, 1251},
    {L::Bulgarian, L::AnyScript, L::Bulgaria, 1026, 1251},
    {L::Macedonian, L::AnyScript, L::Macedonia, 1071, 1251},
    {L::Serbian, L::CyrillicScript, L::Serbia, 10266, 1251},
    {L::Serbian, L::CyrillicScript, L::Montenegro, 12314, 1251},
    {L::Bosnian, L::CyrillicScript, L::BosniaAndHerzegowina, 8218, 1251},
    {L::Kazakh, L::AnyScript, L::Kazakhstan, 1087, 1251},
    {L::Kyrgyz, L::AnyScript, L::Kyrgyzstan, 1088, 1251},
    {L::Tatar, L::AnyScript, L::Russia, 1092, 1251},
    {L::Bashkir, L::AnyScript, L::Russia, 1133, 1251},
    {L::Mongolian, L::CyrillicScript, L::Mongolia, 1104, 1251},
    {L::Tajik, L::AnyScript, L::Tajikistan, 1064, 1251},
    {L::Uzbek, L::CyrillicScript, L::Uzbekistan, 2115, 1251},
    {L::Azerbaijani, L::CyrillicScript, L::Azerbaijan, 2092, 1251},
    // Greek, Turkish, Hebrew.
    {L::Greek, L::AnyScript, L::Greece, 1032, 1253},
    {L::Turkish, L::AnyScript, L::Turkey, 1055, 1254},
    {L::Azerbaijani, L::LatinScript, L::Azerbaijan, 1068, 1254},
    {L::Uzbek, L::LatinScript, L::Uzbekistan, 1091, 1254},
    {L::Hebrew, L::AnyScript, L::Israel, 1037, 1255},
    // Arabic script.
    {L::Arabic, L::AnyScript, L::SaudiArabia, 1025, 1256},
    {L::Arabic, L::AnyScript, L::Iraq, 2049, 1256},
    {L::Arabic, L::AnyScript, L::Egypt, 3073, 1256},
    {L::Arabic, L::AnyScript, L::Libya, 4097, 1256},
    {L::Arabic, L::AnyScript, L::Algeria, 5121, 1256},
    {L::Arabic, L::AnyScript, L::Morocco, 6145, 1256},
    {L::Arabic, L::AnyScript, L::Tunisia, 7169, 1256},
    {L::Arabic, L::AnyScript, L::Oman, 8193, 1256},
    {L::Arabic, L::AnyScript, L::Yemen, 9217, 1256},
    {L::Arabic, L::AnyScript, L::Syria, 10241, 1256},
    {L::Arabic, L::AnyScript, L::Jordan, 11265, 1256},
    {L::Arabic, L::AnyScript, L::Lebanon, 12289, 1256},
    {L::Arabic, L::AnyScript, L::Kuwait, 13313, 1256},
    {L::Arabic, L::AnyScript, L::UnitedArabEmirates, 14337, 1256},
    {L::Arabic, L::AnyScript, L::Bahrain, 15361, 1256},
    {L::Arabic, L::AnyScript, L::Qatar, 16385, 1256},
    {L::Persian, L::AnyScript, L::Iran, 1065, 1256},
    {L::Urdu, L::AnyScript, L::Pakistan, 1056, 1256},
    // Baltic, Thai, Vietnamese.
    {L::Estonian, L::AnyScript, L::Estonia, 1061, 1257},
    {L::Latvian, L::AnyScript, L::Latvia, 1062, 1257},
    {L::Lithuanian, L::AnyScript, L::Lithuania, 1063, 1257},
    {L::Thai, L::AnyScript, L::Thailand, 1054, 874},
    {L::Vietnamese, L::AnyScript, L::Vietnam, 1066, 1258},
};

bool scriptFits(const Entry &entry, QLocale::Script script)
{
    return entry.script == QLocale::AnyScript || entry.script == script;
}

} // namespace

Lcid LcidOf(const QLocale &locale)
{
    const QLocale::Language language = locale.language();
    const QLocale::Script script = locale.script();
    for (const Entry &entry : Table) {
        if (entry.language == language && entry.territory == locale.territory() &&
            scriptFits(entry, script))
            return entry.lcid;
    }
    for (const Entry &entry : Table) {
        if (entry.language == language && scriptFits(entry, script))
            return entry.lcid;
    }
    return 0;
}

int AnsiCodePageOf(Lcid lcid)
{
    for (const Entry &entry : Table) {
        if (entry.lcid == lcid)
            return entry.codePage;
    }
    return 0;
}

Lcid SystemThreadLocale()
{
    return LcidOf(QLocale::system());
}

std::string SystemLocaleInfo(Lcid lcid, int item)
{
    if (item != LOCALE_IDEFAULTANSICODEPAGE)
        return {};
    return std::to_string(AnsiCodePageOf(lcid));
}

} // namespace Platform
