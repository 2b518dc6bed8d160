// SPDX-License-Identifier: Apache-2.0
// KeyCodes: keys as the key-down notifications of the toolkit see them: a key code
// (13 Enter, 38 Up, 40 Down ...; letters and digits as their upper-case character,
// function keys from 112; 0 for a key without a code) and a shift state (1 Shift,
// 2 Ctrl, 4 Alt, added together). Each platform maps its key events onto these.
#pragma once

namespace Platform {

enum KeyCode
{
    vbKeyBack = 8,
    vbKeyTab = 9,
    vbKeyReturn = 13,
    vbKeyShift = 16,
    vbKeyControl = 17,
    vbKeyMenu = 18,
    vbKeyEscape = 27,
    vbKeySpace = 32,
    vbKeyPageUp = 33,
    vbKeyPageDown = 34,
    vbKeyEnd = 35,
    vbKeyHome = 36,
    vbKeyLeft = 37,
    vbKeyUp = 38,
    vbKeyRight = 39,
    vbKeyDown = 40,
    vbKeyInsert = 45,
    vbKeyDelete = 46,
    vbKeyF1 = 112,
};

enum ShiftState
{
    vbShiftMask = 1,
    vbCtrlMask = 2,
    vbAltMask = 4,
};

} // namespace Platform
