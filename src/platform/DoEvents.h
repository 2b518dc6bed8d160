// SPDX-License-Identifier: Apache-2.0
// DoEvents: yields to the message loop once, so that pending paints, clicks and keys
// are handled before a long operation goes on. Each platform implements it.
#pragma once

namespace Platform {

void DoEvents();

} // namespace Platform
