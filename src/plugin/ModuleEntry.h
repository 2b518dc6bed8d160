// SPDX-License-Identifier: Apache-2.0
// The table of the component's classes, which its entry points serve: the module of
// the platform's in-process server (posix/ModuleEntryPoints.cpp on Linux).
#pragma once

#include "automation/ServerModule.h"

namespace Plugin {

Automation::ServerModule &serverModule();

} // namespace Plugin
