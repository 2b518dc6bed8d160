// SPDX-License-Identifier: Apache-2.0
#include "ErrorTrap.h"

#include "automation/AutomationError.h"
#include "platform/MessageBox.h"

#include <new>

namespace Trap {

ErrorTrap::ErrorTrap(const QString &source)
    : m_head(QStringLiteral("(") + QLatin1String(Platform::ApplicationTitle) + source +
             QStringLiteral(") Error "))
{}

ErrorTrap::ErrorTrap(Head head) : m_head(std::move(head.text)) {}

ErrorTrap ErrorTrap::withHead(const QString &head)
{
    return ErrorTrap(Head{head});
}

QString ErrorTrap::prompt(qint32 number, const QString &description) const
{
    return m_head + QString::number(number) + QStringLiteral(" : ") + description +
           QStringLiteral(" Line ") + QString::number(m_line);
}

void ErrorTrap::report(std::exception_ptr failure) const noexcept
{
    qint32 number = Automation::GeneralFailure;
    QString description;
    try {
        std::rethrow_exception(failure);
    } catch (const Automation::AutomationError &error) {
        number = error.number();
        description = error.description();
    } catch (const std::bad_alloc &) {
        number = Automation::OutOfMemory;
        description = Automation::standardDescription(number);
    } catch (const std::exception &error) {
        description = QString::fromLocal8Bit(error.what());
    } catch (...) {
        description = Automation::standardDescription(number);
    }
    try {
        Platform::MsgBox(prompt(number, description), Platform::vbOKOnly);
    } catch (...) {
        // A box that cannot be shown leaves nothing else to report to.
    }
}

} // namespace Trap
