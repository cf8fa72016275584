// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/recordingui.h"

namespace morvik::test
{

Answer RecordingUi::msgbox(const std::string& text, const std::string& title, Icon icon,
                           Buttons buttons)
{
    boxes.push_back({text, title, icon, buttons});
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    if (m_answers.empty()) {
        return otherwise;
    }
    const Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

std::optional<std::string> RecordingUi::inputbox(const std::string& prompt,
                                                 const std::string& title, const std::string&)
{
    prompts.push_back(title + "|" + prompt);
    if (m_inputs.empty()) {
        return otherwisetext;
    }
    auto text = m_inputs.front();
    m_inputs.pop_front();
    return text;
}

void RecordingUi::focus(const std::string& control)
{
    focused.push_back(control);
}

std::string RecordingUi::titles() const
{
    std::string out;
    for (const auto& b : boxes) {
        if (!out.empty()) {
            out += "|";
        }
        out += b.title;
    }
    return out;
}

void RecordingUi::clear()
{
    boxes.clear();
    prompts.clear();
    focused.clear();
}

} // namespace morvik::test
