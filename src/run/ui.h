// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

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

    // Shows the files a deletion is about to remove; false stops the run before its first
    // file. The windows show them as one box without an icon, the paths joined by ",",
    // which goes on when closed.
    virtual bool confirmdelete(const std::vector<std::string>& files);

    // Whether a run that can keep no undo journal (for the reason given) goes on. The
    // windows ask "此次运行无法撤销，是否继续？" with 是 / 否.
    virtual bool runwithoutundo(const std::string& reason);
};

inline constexpr const char* kAppTitle = "Ruvo";
inline constexpr const char* kNoUndoQuestion = "此次运行无法撤销，是否继续？";

inline bool Ui::confirmdelete(const std::vector<std::string>& files)
{
    std::string text;
    for (std::size_t i = 0; i < files.size(); ++i) {
        text += (i > 0 ? "," : "") + files[i];
    }
    return msgbox(text, kAppTitle, Icon::None) != Answer::No;
}

inline bool Ui::runwithoutundo(const std::string& reason)
{
    return msgbox(std::string(kNoUndoQuestion) + "\n" + reason, "撤销", Icon::Warning,
                  Buttons::YesNo) == Answer::Yes;
}

} // namespace morvik
