// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/help.h"

#include <algorithm>
#include <memory>

namespace morvik::cli
{

namespace
{

constexpr const char* kOptionsGroup = "选项";

class HelpFormatter : public CLI::Formatter
{
public:
    HelpFormatter()
    {
        label("Usage", "用法");
        label("OPTIONS", "选项");
        label("SUBCOMMAND", "命令");
        label("Positionals", "参数");
    }

    // The names alone: a negated flag's value in braces ("--no-report{false}") goes.
    std::string make_option_name(const CLI::Option* opt, bool positional) const override
    {
        const std::string name = CLI::Formatter::make_option_name(opt, positional);
        std::string plain;
        bool inbraces = false;
        for (const char c : name) {
            if (c == '{') {
                inbraces = true;
            } else if (c == '}') {
                inbraces = false;
            } else if (!inbraces) {
                plain += c;
            }
        }
        return plain;
    }

    // The value's word as the option names it, nothing of the parser's. Whether an
    // option is required and what it excludes are said in its description.
    std::string make_option_opts(const CLI::Option* opt) const override
    {
        const std::string& text = opt->get_option_text();
        return text.empty() || opt->get_positional() ? std::string() : " " + text;
    }
};

std::string join(const std::vector<std::string>& words, const std::string& separator)
{
    std::string text;
    for (const auto& word : words) {
        text += (text.empty() ? "" : separator) + word;
    }
    return text;
}

// The message of a failed parse: the parser's, then where to find the usage of the
// command given.
std::string failuremessage(const CLI::App* app, const CLI::Error& error)
{
    const auto chosen = app->get_subcommands();
    const std::string command =
        app->get_name() + (chosen.empty() ? std::string() : " " + chosen.front()->get_name());
    return std::string(error.what()) + "\n用 " + command + " --help 查看用法。\n";
}

} // namespace

void usehelpwording(CLI::App& app)
{
    app.formatter(std::make_shared<HelpFormatter>());
    app.option_defaults()->group(kOptionsGroup);
    app.set_help_flag("-h,--help", "显示帮助后退出");
    app.group("命令");
    app.failure_message(failuremessage);
}

void finishhelpwording(CLI::App& app)
{
    // A subcommand's help flag is made before it takes the application's defaults.
    for (CLI::App* sub : app.get_subcommands({})) {
        if (CLI::Option* help = sub->get_help_ptr()) {
            help->group(kOptionsGroup);
        }
    }
}

void addwaitflag(CLI::App& sub, bool& wait)
{
    sub.add_flag("--wait", wait,
                 "另一个运行正在处理同一文件夹时，等它结束后再开始（默认不等，停止并说明）");
}

void addnoundoflag(CLI::App& sub, bool& noundo)
{
    sub.add_flag("--no-undo", noundo,
                 "不保留撤销记录（默认保留，可用 morvik-cli undo 撤销此次运行）");
}

CLI::Validator oneof(std::vector<std::string> words)
{
    const std::string names = join(words, "、");
    return CLI::Validator(
        [words = std::move(words), names](std::string& value) {
            std::string lower = value;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (std::find(words.begin(), words.end(), lower) == words.end()) {
                return "“" + value + "”不可用，可用的值：" + names;
            }
            value = lower;
            return std::string();
        },
        "");
}

} // namespace morvik::cli
