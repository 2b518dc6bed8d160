// SPDX-License-Identifier: Apache-2.0
// Locale: the thread locale as a Windows locale identifier (LCID), and the ANSI code
// page of a locale.
//
// On Windows both answers are the system's (GetThreadLocale, GetLocaleInfoA). On
// Linux the identifier comes from the system locale through a table of locales with
// their identifiers and ANSI code pages: the thirteen English identifiers, Japanese,
// Chinese (simplified and traditional), Korean, and the Western, Central European,
// Cyrillic, Greek, Turkish, Hebrew, Arabic, Baltic, Thai and Vietnamese ones; a
// locale whose language is in the table but whose country is not takes the
// language's main identifier; any other locale (the C locale included) is 0.
//
// Tests replace both answers through the two handlers (portable).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Platform {

using Lcid = std::uint32_t;

// The information item for a locale's ANSI code page.
inline constexpr int LOCALE_IDEFAULTANSICODEPAGE = 4100;

// The identifier of the thread's locale.
Lcid GetThreadLocale();

// The information item of a locale as ANSI text. For LOCALE_IDEFAULTANSICODEPAGE the
// code page in decimal: "1252", or "0" for an identifier without one. Empty for an
// item the system has nothing to say about.
std::string GetLocaleInfo(Lcid lcid, int item);

// Handlers in place of the two answers above, returning the one they replace; an
// empty handler restores the platform's.
using ThreadLocaleHandler = std::function<Lcid()>;
using LocaleInfoHandler = std::function<std::string(Lcid lcid, int item)>;
ThreadLocaleHandler setThreadLocaleHandler(ThreadLocaleHandler handler);
LocaleInfoHandler setLocaleInfoHandler(LocaleInfoHandler handler);

// The platform's own answers, under the handlers. Each build implements them.
Lcid SystemThreadLocale();
std::string SystemLocaleInfo(Lcid lcid, int item);

} // namespace Platform
