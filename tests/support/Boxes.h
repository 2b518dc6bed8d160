// SPDX-License-Identifier: Apache-2.0
// Records message boxes instead of showing them, for as long as it lives.
#pragma once

#include "automation/Text.h"
#include "platform/MessageBox.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct RecordedBox
{
    std::u16string prompt;
    int style;
    std::u16string title;
};

class Boxes
{
public:
    Boxes()
    {
        m_previous = Platform::setMessageBoxHandler(
            [this](const std::u16string &prompt, int style, const std::u16string &title) {
                shown.push_back({prompt, style, title});
                if (onBox)
                    onBox(shown.back());
                return answer;
            });
    }
    ~Boxes() { Platform::setMessageBoxHandler(std::move(m_previous)); }
    Boxes(const Boxes &) = delete;
    Boxes &operator=(const Boxes &) = delete;

    // The prompts of the boxes shown since the last take.
    std::vector<std::u16string> takePrompts()
    {
        std::vector<std::u16string> prompts;
        for (const RecordedBox &box : std::exchange(shown, {}))
            prompts.push_back(box.prompt);
        return prompts;
    }

    // The boxes shown since the last take, as "style title: prompt".
    std::vector<std::string> take()
    {
        std::vector<std::string> lines;
        for (const RecordedBox &box : std::exchange(shown, {}))
            lines.push_back(std::to_string(box.style) + ' ' + Automation::utf8(box.title) + ": " +
                            Automation::utf8(box.prompt));
        return lines;
    }

    std::vector<RecordedBox> shown;
    int answer = 1;                                 // what each box returns (vbOK)
    std::function<void(const RecordedBox &)> onBox; // runs while the "box" is up

private:
    Platform::MessageBoxHandler m_previous;
};
