// SPDX-License-Identifier: Apache-2.0
// QtLocale: the table behind SystemThreadLocale on Linux (Locale.h), for the tests.
#pragma once

#include "platform/Locale.h"

class QLocale;

namespace Platform {

// The identifier of a locale: its language and country, else the language's main
// identifier, else 0.
Lcid LcidOf(const QLocale &locale);
// The ANSI code page of an identifier; 0 for one outside the table.
int AnsiCodePageOf(Lcid lcid);

} // namespace Platform
