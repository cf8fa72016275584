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
// The files a deletion is about to remove are listed and asked about the same way: No
// stops the run before its first file.
class TerminalUi : public Ui
{
public:
    TerminalUi(bool yes, bool interactive) : m_yes(yes), m_interactive(interactive) {}

    Answer msgbox(const std::string& text, const std::string& title, Icon icon,
                  Buttons buttons = Buttons::Ok) override;
    std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                        const std::string& initial = {}) override;
    void focus(const std::string&) override {}
    bool confirmdelete(const std::vector<std::string>& files) override;
    bool runwithoutundo(const std::string& reason) override;

    // Boxes with the information icon are not shown (a dry run's success messages).
    void hideinformation() { m_hideinformation = true; }
    // Messages clear the progress line first; the list question may stop the run.
    void watch(ProgressLine* line, Progress* progress);

    // Writes a line of the command's own to standard error.
    void say(const std::string& text);

    bool refused() const { return m_refused; }
    // The user answered No to the list of files about to be deleted.
    bool declined() const { return m_declined; }

private:
    Answer ask(const std::string& question);

    bool m_yes;
    bool m_interactive;
    bool m_refused = false;
    bool m_declined = false;
    bool m_hideinformation = false;
    ProgressLine* m_line = nullptr;
    Progress* m_progress = nullptr;
};

} // namespace morvik::cli
