// SPDX-License-Identifier: Apache-2.0
#include "ErrorTrap.h"

#include "automation/AutomationError.h"
#include "automation/Text.h"
#include "platform/MessageBox.h"

#include <new>
#include <utility>

namespace Trap {

ErrorTrap::ErrorTrap(std::u16string source)
    : m_head(u"(" + std::u16string(Platform::ApplicationTitle) + source + u") Error ")
{}

ErrorTrap::ErrorTrap(Head head) : m_head(std::move(head.text)) {}

ErrorTrap ErrorTrap::withHead(std::u16string head)
{
    return ErrorTrap(Head{std::move(head)});
}

std::u16string ErrorTrap::prompt(std::int32_t number, const std::u16string &description) const
{
    return m_head + Automation::decimal(number) + u" : " + description + u" Line " +
           Automation::decimal(m_line);
}

void ErrorTrap::report(std::exception_ptr failure) const noexcept
{
    try {
        std::int32_t number = Automation::GeneralFailure;
        std::u16string description;
        try {
            std::rethrow_exception(failure);
        } catch (const Automation::AutomationError &error) {
            number = error.number();
            description = error.description();
        } catch (const std::bad_alloc &) {
            number = Automation::OutOfMemory;
            description = Automation::standardDescription(number);
        } catch (const std::exception &error) {
            // qpdf's messages, and the standard library's, are UTF-8.
            description = Automation::utf16(error.what());
        } catch (...) {
            description = Automation::standardDescription(number);
        }
        Platform::MsgBox(prompt(number, description), Platform::vbOKOnly);
    } catch (...) {
        // A box that cannot be shown leaves nothing else to report to.
    }
}

} // namespace Trap
