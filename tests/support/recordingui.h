// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/ui.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace morvik::test
{

// A Ui that records every box and focus request and answers from a script.
// Message boxes with Yes/No take the next scripted answer (`otherwise`, Yes unless told,
// when none is left); input boxes take the next scripted text (`otherwisetext`, a cancel
// unless told, when none is left). Used by the tests, the fuzz targets and the bench.
class RecordingUi : public Ui
{
public:
    struct Box {
        std::string text;
        std::string title;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    Answer msgbox(const std::string& text, const std::string& title, Icon icon,
                  Buttons buttons = Buttons::Ok) override;
    std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                        const std::string& initial = {}) override;
    void focus(const std::string& control) override;

    void answer(Answer a) { m_answers.push_back(a); }
    void input(std::optional<std::string> text) { m_inputs.push_back(std::move(text)); }

    Answer otherwise = Answer::Yes;
    std::optional<std::string> otherwisetext;

    std::vector<Box> boxes;
    std::vector<std::string> prompts; // "title|prompt" of each input box
    std::vector<std::string> focused;

    // Titles of all boxes joined by "|", for compact assertions.
    std::string titles() const;
    void clear();

private:
    std::deque<Answer> m_answers;
    std::deque<std::optional<std::string>> m_inputs;
};

} // namespace morvik::test
