// SPDX-License-Identifier: Apache-2.0
// WholeTextTip: a text box whose text does not fit shows the whole text in a tooltip,
// so that a value cut off by its box can still be read (and is, by screen magnifiers
// that follow tooltips). A text that fits shows no tooltip.
#pragma once

class QLineEdit;

namespace Platform {

// Watches the box's tooltip requests for as long as the box lives.
void ShowWholeTextWhenCutOff(QLineEdit *box);

// True when the box's text is wider than the room the box gives it.
bool IsTextCutOff(const QLineEdit *box);

} // namespace Platform
