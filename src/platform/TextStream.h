// SPDX-License-Identifier: Apache-2.0
// TextStream: a text file opened for writing, with the two operations of the
// scripting runtime's text stream that the component uses. WriteLine ends a line with
// the stream's own terminator, "\r\n", as the runtime's streams do. Failures are
// AutomationErrors (54 when the stream is not open for writing, 57 when a write fails).
#pragma once

#include <string>

namespace Platform {

class TextStream
{
public:
    virtual ~TextStream() = default;
    virtual void Write(const std::u16string &text) = 0;
    virtual void WriteLine(const std::u16string &text = {}) = 0;
};

} // namespace Platform
