// SPDX-License-Identifier: Apache-2.0
// The headless toolkit in a suite: what goes wrong in a session fails the test case, no
// session is left over at its end, and controls are found by their names.
#pragma once

#include "platform/headless/HeadlessToolkit.h"
#include "support/Doctest.h"

#include <string>

namespace Support {

class HeadlessRun
{
public:
    HeadlessRun()
    {
        Platform::Headless::setFailureHandler([](const std::string &what) { FAIL_CHECK(what); });
    }
    ~HeadlessRun()
    {
        CHECK(Platform::Headless::sessionsLeft() == 0);
        Platform::Headless::setFailureHandler({});
    }
    HeadlessRun(const HeadlessRun &) = delete;
    HeadlessRun &operator=(const HeadlessRun &) = delete;
};

// The control of that name and kind in `inside`; the test stops without it.
template <typename Kind = Platform::Control>
Kind &the(const Platform::Control &inside, const std::string &name)
{
    auto *found = dynamic_cast<Kind *>(Platform::Headless::find(inside, name));
    REQUIRE_MESSAGE(found, "no control " << name);
    return *found;
}

} // namespace Support
