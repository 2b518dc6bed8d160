// SPDX-License-Identifier: Apache-2.0
// What a suite does or sees differently on each platform (posix/, win32/).
#pragma once

#include "automation/Object.h"
#include "automation/Variant.h"

#include <string>
#include <variant>
#include <vector>

namespace Support {

// A late-bound call as a host makes it. On Linux that is the runtime's Dispatch itself;
// on Windows it crosses the COM bridge: the object's IDispatch, the member's identifier
// from GetIDsOfNames, Invoke with the arguments as VARIANTs passed by reference (as a
// script engine passes its variables), the result and what the member wrote back read
// from VARIANTs, a failure read from EXCEPINFO.
//
// A member by name (any letter case) or by dispatch identifier.
using MemberId = std::variant<std::u16string, Automation::DispId>;

// Raises the AutomationError the call raised; `args` take what the member wrote back.
Automation::Variant hostCall(Automation::Object *object, const MemberId &member,
                             Automation::Invoke kind, std::vector<Automation::Variant> &args);

// The ANSI code page the system gives the locale identifier 0: none on Linux, whose
// table has no such locale; on Windows 0 is the neutral locale, which stands for the
// user's default (GetACP).
int codePageOfLocaleZero();

// Whether another program may rename a file over one this process holds open, or change
// it while our save holds it: on POSIX yes; Windows' share modes keep them out.
bool othersMayReplaceAnOpenFile();

} // namespace Support
