// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace morvik
{

enum class Icon { None, Information, Warning, Critical };
// YesNoDefaultNo: 是 / 否 with 否 as the default button, for a box that confirms deleting.
enum class Buttons { Ok, YesNo, YesNoDefaultNo };
enum class Answer { Ok, Yes, No };

// How an engine speaks to the user. Windows implement it with message and input boxes,
// tests with a recorder that answers from a script, a command line with the terminal.
// All texts are UTF-8.
class Ui
{
public:
    virtual ~Ui() = default;

    // A message box; the title "Ruvo" is the application's own.
    virtual Answer msgbox(const std::string& text, const std::string& title, Icon icon,
                          Buttons buttons = Buttons::Ok) = 0;

    // An input box; nullopt when cancelled.
    virtual std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                                const std::string& initial = {}) = 0;

    // Asks for the keyboard focus on a control, by its name ("Text1", "File1", ...).
    virtual void focus(const std::string& control) = 0;
};

inline constexpr const char* kAppTitle = "Ruvo";

} // namespace morvik
