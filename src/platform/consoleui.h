// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ui.h"

namespace morvik::platform
{

// The Ui of a command line: boxes are written to standard error as "[title] text"
// (warnings and errors only, unless told to show everything); a Yes/No question counts
// as answered Yes, since starting the command was the confirmation; input boxes are
// cancelled.
class ConsoleUi : public Ui
{
public:
    explicit ConsoleUi(bool showall = false) : m_showall(showall) {}

    Answer msgbox(const std::string& text, const std::string& title, Icon icon,
                  Buttons buttons = Buttons::Ok) override;
    std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                        const std::string& initial = {}) override;
    void focus(const std::string&) override {}

    // How many warning or error boxes were shown.
    int problems() const { return m_problems; }

private:
    bool m_showall;
    int m_problems = 0;
};

} // namespace morvik::platform
