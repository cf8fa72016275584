// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/ui.h"

#include <string>
#include <vector>

namespace morvik
{
class Progress;
}

namespace morvik::cli
{

class ProgressLine;

// The Ui of morvik-cli. Every box is written to standard error as "[title] text". A
// Yes/No question is answered by --yes (and then not shown), else asked on the terminal
// when standard input is one; with neither it is refused (answered No) and refused()
// tells the command.
// The box listing the files a deletion is about to remove becomes such a question too:
// No stops the run before its first file.
class TerminalUi : public Ui
{
public:
    struct Box {
        std::string text;
        std::string title;
        Icon icon = Icon::None;
    };

    TerminalUi(bool yes, bool interactive) : m_yes(yes), m_interactive(interactive) {}

    Answer msgbox(const std::string& text, const std::string& title, Icon icon,
                  Buttons buttons = Buttons::Ok) override;
    std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                        const std::string& initial = {}) override;
    void focus(const std::string&) override {}

    // Boxes with the information icon are not shown (a dry run's success messages).
    void hideinformation() { m_hideinformation = true; }
    // Boxes of these titles are not shown.
    void hidetitle(std::string title) { m_hidden.push_back(std::move(title)); }
    // Messages clear the progress line first; the list question may stop the run.
    void watch(ProgressLine* line, Progress* progress);

    // Writes a line of the command's own to standard error.
    void say(const std::string& text);

    bool refused() const { return m_refused; }
    // The user answered No to the list of files about to be deleted.
    bool declined() const { return m_declined; }
    const std::vector<Box>& boxes() const { return m_boxes; }
    // Whether a box with any title but these was shown (warnings, errors, no matches).
    bool anyboxbut(const std::vector<std::string>& titles) const;

private:
    Answer ask(const std::string& question);

    bool m_yes;
    bool m_interactive;
    bool m_refused = false;
    bool m_declined = false;
    bool m_hideinformation = false;
    std::vector<std::string> m_hidden;
    std::vector<Box> m_boxes;
    ProgressLine* m_line = nullptr;
    Progress* m_progress = nullptr;
};

} // namespace morvik::cli
