// SPDX-License-Identifier: GPL-3.0-or-later
// history, undo and purge: the runs kept for undo, from a terminal.
#include "cli/commands.h"
#include "cli/run.h"
#include "cli/terminalui.h"
#include "common/runjournal.h"
#include "platform/fs/journal.h"
#include "platform/syserror.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

namespace morvik::cli
{

namespace
{

std::string toolname(const std::string& tool)
{
    if (tool == "insert") {
        return "内容追加";
    }
    if (tool == "copy") {
        return "文件追加";
    }
    if (tool == "delete") {
        return "批量删除";
    }
    if (tool == "url") {
        return "URL生成";
    }
    return tool;
}

std::string size(unsigned long long bytes)
{
    char text[32];
    if (bytes >= 1ULL << 20) {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
    } else if (bytes >= 1ULL << 10) {
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / (1 << 10));
    } else {
        std::snprintf(text, sizeof text, "%llu B", bytes);
    }
    return text;
}

int runhistory()
{
    for (const platform::RunRecord& run : platform::history()) {
        std::printf("%s\t%s\t%s\t%s\t%zu 个文件\t%s\t%s\n", run.id.c_str(), run.time.c_str(),
                    toolname(run.tool).c_str(), run.folder.c_str(), run.files,
                    size(run.bytes).c_str(), run.undoable ? "可撤销" : "不可撤销");
    }
    return kExitOk;
}

// The given run, or the newest one that can be undone.
std::string chosenrun(const std::string& id)
{
    if (!id.empty()) {
        return id;
    }
    const auto runs = platform::history();
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        if (it->undoable) {
            return it->id;
        }
    }
    return {};
}

int runundo(const std::string& given)
{
    TerminalUi ui(false, false);
    const std::string id = chosenrun(given);
    if (id.empty()) {
        ui.say("没有可以撤销的运行。");
        return kExitFailed;
    }
    try {
        // Counted on the progress line; Ctrl-C or SIGTERM stops it between two files, and
        // undo run again later puts back the rest.
        Run run(ui, false, [](const std::string&) { return true; });
        const platform::UndoResult result = morvik::undo(id, &run.progress());
        for (const auto& [path, reason] : result.failures) {
            ui.say(path + "：" + reason);
        }
        if (result.stopped) {
            return run.status(true);
        }
        ui.say("撤销 " + id + "：已恢复 " + std::to_string(result.restored) + " 个文件" +
               (result.failures.empty()
                    ? "。"
                    : "，" + std::to_string(result.failures.size()) + " 个文件未撤销。"));
        return result.failures.empty() ? kExitOk : kExitFailed;
    } catch (const platform::SysError& e) {
        ui.say(e.path() + "：" + e.reason());
        return kExitFailed;
    }
}

int runpurge(const std::string& id, bool all)
{
    TerminalUi ui(false, false);
    if (all == !id.empty()) {
        ui.say("purge：请指定一个运行 ID，或 --all");
        return kExitUsage;
    }
    try {
        if (all) {
            for (const platform::RunRecord& run : platform::history()) {
                platform::purge(run.id);
            }
        } else {
            platform::purge(id);
        }
        return kExitOk;
    } catch (const platform::SysError& e) {
        ui.say(e.path() + "：" + e.reason());
        return kExitFailed;
    }
}

} // namespace

void addhistorycommands(CLI::App& app, Action& action)
{
    CLI::App* history =
        app.add_subcommand("history", "运行记录：列出可以撤销的运行（ID、时间、工具、文件夹、"
                                      "文件数、占用空间、能否撤销）");
    history->callback([&action] { action = [] { return runhistory(); }; });

    auto undoid = std::make_shared<std::string>();
    CLI::App* undo = app.add_subcommand("undo", "撤销一次运行：默认为最近一次可撤销的运行");
    undo->add_option("ID", *undoid, "要撤销的运行（见 history）")->option_text("ID");
    undo->callback([undoid, &action] { action = [undoid] { return runundo(*undoid); }; });

    auto purgeid = std::make_shared<std::string>();
    auto purgeall = std::make_shared<bool>(false);
    CLI::App* purge = app.add_subcommand("purge", "清除运行记录，释放它保留的文件");
    purge->add_option("ID", *purgeid, "要清除的运行（见 history）")->option_text("ID");
    purge->add_flag("--all", *purgeall, "清除所有运行记录");
    purge->callback([purgeid, purgeall, &action] {
        action = [purgeid, purgeall] { return runpurge(*purgeid, *purgeall); };
    });
}

} // namespace morvik::cli
