// SPDX-License-Identifier: Apache-2.0
// AutomationError: the one error type of the component and its automation runtime.
//
// A failure anywhere in OrvFields is a C++ exception carrying an automation error
// number and a description, as a late-bound call reports it to its caller. Numbers
// are the classic automation runtime numbers (5, 6, 13, 91, 438 ...) or, for failures
// of called components, signed HRESULT values (-2147467259 for a general failure).
// The table of known numbers and their standard descriptions lives in one place,
// AutomationError.cpp; `standardDescription` reads it.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace Automation {

// Error numbers used by the component. Each has its standard text in the table.
enum ErrorNumber : std::int32_t
{
    InvalidProcedureCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    TypeMismatch = 13,
    ErrorLoadingLibrary = 48,
    FileNotFound = 53,
    BadFileMode = 54,
    DeviceIOError = 57,
    DiskFull = 61,
    PermissionDenied = 70,
    PathFileAccessError = 75,
    PathNotFound = 76,
    InvalidFileFormat = 321,
    ObjectNotSet = 91,
    ObjectRequired = 424,
    CannotCreateObject = 429,
    MemberNotFound = 438,
    AutomationFailure = 440,
    ArgumentNotOptional = 449,
    WrongArgumentCount = 450,
    // HRESULTs, as signed 32-bit values
    GeneralFailure = -2147467259,     // 0x80004005 E_FAIL
    InvalidClassString = -2147221005, // 0x800401F3 CO_E_CLASSSTRING
    ClassNotRegistered = -2147221164, // 0x80040154 REGDB_E_CLASSNOTREG
};

// The standard description of a number, or "Application-defined or object-defined
// error" for a number the table does not hold.
std::u16string standardDescription(std::int32_t number);

class AutomationError : public std::exception
{
public:
    // An empty description takes the standard text of the number.
    explicit AutomationError(std::int32_t number, std::u16string description = {});

    std::int32_t number() const noexcept { return m_number; }
    const std::u16string &description() const noexcept { return m_description; }
    // "Error <number> : <description>", in UTF-8.
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    std::int32_t m_number;
    std::u16string m_description;
    std::string m_what;
};

// Throws AutomationError(number, description).
[[noreturn]] void raise(std::int32_t number, std::u16string description = {});

} // namespace Automation
