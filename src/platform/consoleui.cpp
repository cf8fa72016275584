// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/consoleui.h"

#include <cstdio>

namespace morvik::platform
{

Answer ConsoleUi::msgbox(const std::string& text, const std::string& title, Icon icon,
                         Buttons buttons)
{
    const bool problem = icon == Icon::Warning || icon == Icon::Critical;
    if (problem) {
        ++m_problems;
    }
    if (problem || m_showall) {
        std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
    }
    return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
}

std::optional<std::string> ConsoleUi::inputbox(const std::string&, const std::string&,
                                               const std::string&)
{
    return std::nullopt;
}

} // namespace morvik::platform
