// SPDX-License-Identifier: Apache-2.0
// What the system's locale answers differently on each platform.
#pragma once

namespace Support {

// The ANSI code page the system gives the locale identifier 0: none on Linux, whose
// table has no such locale; on Windows 0 is the neutral locale, which stands for the
// user's default (GetACP).
int codePageOfLocaleZero();

} // namespace Support
