// SPDX-License-Identifier: GPL-3.0-or-later
// morvik-cli: the tools of Morvik from a terminal, running the windows' engines.
#include "cli/commands.h"
#include "cli/help.h"
#include "platform/processlimits.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>

namespace
{

// A parse that found no command: what was given in its place named, and the commands
// listed.
void saynocommand(const CLI::App& app, int argc, char** argv)
{
    std::string commands;
    for (const CLI::App* sub : app.get_subcommands({})) {
        commands += (commands.empty() ? "" : "、") + sub->get_name();
    }
    // The program's own options (help, version) end the parse before this: an option
    // here is unknown too.
    std::string said = "缺少命令。";
    if (argc > 1) {
        said = std::string(argv[1][0] == '-' ? "未知的选项“" : "未知的命令“") + argv[1] + "”。";
    }
    std::fprintf(stderr, "%s可用的命令：%s\n用 %s --help 查看用法。\n", said.c_str(),
                 commands.c_str(), app.get_name().c_str());
}

} // namespace

int main(int argc, char** argv)
{
    using namespace morvik::cli;
    morvik::platform::prepareprocess();
    CLI::App app("Morvik 的五个工具，在终端中运行。消息写到标准错误，结果写到标准输出。",
                 "morvik-cli");
    usehelpwording(app);
    app.set_version_flag("--version", "morvik-cli " MORVIK_VERSION, "显示版本后退出");
    app.require_subcommand(1);
    app.fallthrough(false);

    Action action;
    addlistcommand(app, action);
    adddeletecommand(app, action);
    addcopycommand(app, action);
    addinsertcommand(app, action);
    addurlcommand(app, action);
    addhistorycommands(app, action);
    finishhelpwording(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        if (app.get_subcommands().empty()) {
            saynocommand(app, argc, argv);
        } else {
            app.exit(e);
        }
        return kExitUsage;
    }
    try {
        return action ? action() : kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "[Ruvo] %s\n", e.what());
        return kExitFailed;
    }
}
