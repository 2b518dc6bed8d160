// SPDX-License-Identifier: Apache-2.0
// Locale: the thread locale as a Windows locale identifier (LCID), and the ANSI code
// page of a locale.
//
// The identifier comes from QLocale::system() through one table of locales with
// their identifiers and ANSI code pages: the thirteen English identifiers, Japanese,
// Chinese (simplified and traditional), Korean, and the Western, Central European,
// Cyrillic, Greek, Turkish, Hebrew, Arabic, Baltic, Thai and Vietnamese ones. A
// locale whose language is in the table but whose country is not takes the
// language's main identifier; any other locale (the C locale included) is 0.
//
// Tests replace both answers through the two handlers.
#pragma once

#include <QByteArray>
#include <QLocale>
#include <QtGlobal>

#include <functional>

namespace Platform {

using Lcid = quint32;

// The information item for a locale's ANSI code page.
inline constexpr int LOCALE_IDEFAULTANSICODEPAGE = 4100;

// The identifier of the thread's locale.
Lcid GetThreadLocale();

// The information item of a locale as ANSI text. For LOCALE_IDEFAULTANSICODEPAGE
// the code page in decimal: "1252", or "0" for an identifier without one (0 and
// every identifier outside the table). Empty for any other item: the system has
// nothing to say.
QByteArray GetLocaleInfo(Lcid lcid, int item);

// The table itself.
Lcid LcidOf(const QLocale &locale);
int AnsiCodePageOf(Lcid lcid);

// Handlers in place of the two answers above, returning the one they replace; an
// empty handler restores the table's.
using ThreadLocaleHandler = std::function<Lcid()>;
using LocaleInfoHandler = std::function<QByteArray(Lcid lcid, int item)>;
ThreadLocaleHandler setThreadLocaleHandler(ThreadLocaleHandler handler);
LocaleInfoHandler setLocaleInfoHandler(LocaleInfoHandler handler);

} // namespace Platform
