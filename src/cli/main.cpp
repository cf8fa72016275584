// SPDX-License-Identifier: GPL-3.0-or-later
// morvik-cli: the tools of Morvik from a terminal, running the windows' engines.
#include "cli/commands.h"
#include "platform/processlimits.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    using namespace morvik::cli;
    morvik::platform::prepareprocess();
    CLI::App app("Morvik 的五个工具，在终端中运行。消息写到标准错误，结果写到标准输出。",
                 "morvik-cli");
    app.set_version_flag("--version", "morvik-cli " MORVIK_VERSION);
    app.require_subcommand(1);
    app.fallthrough(false);

    Action action;
    addlistcommand(app, action);
    adddeletecommand(app, action);
    addcopycommand(app, action);
    addinsertcommand(app, action);
    addurlcommand(app, action);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    try {
        return action ? action() : kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "[Ruvo] %s\n", e.what());
        return kExitFailed;
    }
}
