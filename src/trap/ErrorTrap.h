// SPDX-License-Identifier: Apache-2.0
// ErrorTrap: how every trapped operation of the component reacts to a failure.
//
// A trapped operation runs its body through `run`. When anything inside fails (an
// AutomationError, an exception of a library such as qpdf's, a standard exception,
// anything else thrown), the trap shows one message box of style 0 with the default
// title and the prompt
//
//     head + number + " : " + description + " Line " + statement
//
// where head is "(" + "OrvFields" + source + ") Error " for an operation's source
// text (".clsFields.AddField", "MainForm.Show" ...), or a fixed text given whole.
// The statement is the number the body last passed to `at`, 0 when it set none. A
// library's exception reads as -2147467259 with its what() text (UTF-8), a
// std::bad_alloc as 7, anything else as -2147467259 with that number's text.
// `run` then returns false and the operation goes on with its own clean-up steps;
// no failure leaves a trapped operation.
//
//     ErrorTrap trap(u".clsFields.SaveDatas");
//     trap.run([&] {
//         trap.at(1);
//         ...
//     });
//     raiseWorkEnded(true); // runs after a failure too
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace Trap {

class ErrorTrap
{
public:
    // The standard head for an operation's source text.
    explicit ErrorTrap(std::u16string source);

    // A trap whose prompt starts with `head` exactly.
    static ErrorTrap withHead(std::u16string head);

    void at(int statement) { m_line = statement; }
    int line() const { return m_line; }

    // Runs `body`; false when it failed and the failure was reported.
    template <typename Body> bool run(Body &&body) noexcept
    {
        try {
            body();
            return true;
        } catch (...) {
            report(std::current_exception());
            return false;
        }
    }

    // The prompt for a failure with this number and description at the current line.
    std::u16string prompt(std::int32_t number, const std::u16string &description) const;

private:
    struct Head
    {
        std::u16string text;
    };
    explicit ErrorTrap(Head head);
    void report(std::exception_ptr failure) const noexcept;

    std::u16string m_head;
    int m_line = 0;
};

} // namespace Trap
