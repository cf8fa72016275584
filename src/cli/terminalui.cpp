// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminalui.h"

#include "platform/fs/journal.h"

#include "cli/progressline.h"
#include "run/progress.h"

#include <cstdio>
#include <iostream>

namespace morvik::cli
{

namespace
{

// Message texts use CR LF between lines, as the windows' boxes do; a terminal wants LF.
std::string terminallines(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    return out;
}

bool isyes(const std::string& answer)
{
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "是";
}

} // namespace

void TerminalUi::watch(ProgressLine* line, Progress* progress)
{
    m_line = line;
    m_progress = progress;
}

void TerminalUi::say(const std::string& text)
{
    if (m_line) {
        m_line->clear();
    }
    std::fprintf(stderr, "%s\n", terminallines(text).c_str());
    std::fflush(stderr);
}

bool TerminalUi::runwithoutundo(const std::string& reason)
{
    // A run that cannot be undone starts only when asked for by --no-undo.
    say("[撤销] " + reason + "\n此次运行无法撤销：加 --no-undo 可在没有撤销记录的情况下运行");
    m_declined = true;
    return false;
}

Answer TerminalUi::msgbox(const std::string& text, const std::string& title, Icon icon,
                          Buttons buttons)
{
    const bool hidden = m_hideinformation && icon == Icon::Information;
    if (buttons != Buttons::Ok) {
        // A question --yes answers is not shown: nobody is asked.
        if (!m_yes) {
            say("[" + title + "] " + text);
        }
        return ask(text);
    }
    if (!hidden) {
        say("[" + title + "] " + text);
    }
    return Answer::Ok;
}

bool TerminalUi::confirmdelete(const std::vector<std::string>& files)
{
    std::string line = "[";
    line += kAppTitle;
    line += "] ";
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        line += files[i];
    }
    say(line);
    // A dry run deletes nothing: there is nothing to confirm.
    if (m_yes || (m_progress && m_progress->rehearsing())) {
        return true;
    }
    if (ask("删除以上文件吗？") != Answer::Yes) {
        m_declined = true;
        return false;
    }
    return true;
}

Answer TerminalUi::ask(const std::string& question)
{
    if (m_yes) {
        return Answer::Yes;
    }
    if (!m_interactive) {
        m_refused = true;
        say("没有终端可以回答“" + question + "”：用 --yes 确认");
        return Answer::No;
    }
    std::fprintf(stderr, "是(y) / 否(n)？ ");
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        return Answer::No;
    }
    return isyes(answer) ? Answer::Yes : Answer::No;
}

std::optional<std::string> TerminalUi::inputbox(const std::string&, const std::string&,
                                                const std::string&)
{
    return std::nullopt;
}

} // namespace morvik::cli
