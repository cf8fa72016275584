// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "cli/help.h"
#include "cli/paths.h"
#include "cli/run.h"
#include "cli/terminalui.h"
#include "platform/fs/fileops.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/journal.h"
#include "platform/fs/runlock.h"
#include "platform/syserror.h"
#include "tools/batchdel/batchdelete.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <unistd.h>

namespace morvik::cli
{

namespace
{

struct DeleteArgs {
    std::string name;
    std::string list;
    std::string folder;
    bool recursive = false;
    bool report = true;
    bool yes = false;
    bool dryrun = false;
    bool wait = false;
    bool noundo = false;
    bool trash = false;
};

// The inputs as the window would set them, or a message naming the bad argument.
std::optional<std::string> inputs(const DeleteArgs& args, batchdel::Inputs& in)
{
    if (args.name.empty() && args.list.empty()) {
        return "请指定要删除的文件名或文件列表（--name 或 --list）";
    }
    if (!args.name.empty()) {
        in.name = args.name;
        in.mode = batchdel::Mode::NameBox;
        if (args.name[0] != '/' && args.name.find('/') != std::string::npos) {
            return "--name：文件名错误！";
        }
        if (args.name[0] != '/' && args.folder.empty()) {
            return "--name：不是完整路径的文件名需要用 --in 指定所在的文件夹";
        }
    } else {
        in.listpath = args.list;
        in.mode =
            args.folder.empty() ? batchdel::Mode::ListOfFullPaths : batchdel::Mode::ListInFolder;
        if (!platform::visiblefileexists(args.list)) {
            return "--list：文件列表不存在：" + args.list;
        }
    }
    if (!args.folder.empty()) {
        in.folder = absolutefolder(args.folder);
        if (!platform::folderexists(in.folder)) {
            return "--in：文件夹不存在：" + args.folder;
        }
    }
    in.scan = args.recursive;
    in.report = args.report;
    in.trash = args.trash;
    return std::nullopt;
}

// What the run has to tell, one line each in the order it came up, and how many files
// went. A dry run deletes nothing and writes no report: it has no summary to give.
void summarize(const Outcome& outcome, bool dryrun, TerminalUi& ui)
{
    if (outcome.refused()) {
        return;
    }
    for (const Notice& notice : outcome.notices) {
        const bool summary =
            notice.kind == Notice::Kind::Done || notice.kind == Notice::Kind::Incomplete;
        if (!(dryrun && summary)) {
            ui.say(batchdel::noticetext(notice));
        }
    }
    if (!dryrun) {
        ui.say(std::to_string(outcome.done) + " 个文件已删除，" +
               std::to_string(outcome.failures.size()) + " 个未能删除或未找到");
    }
}

int rundelete(const DeleteArgs& args)
{
    TerminalUi ui(args.yes, isatty(STDIN_FILENO));
    batchdel::Inputs in;
    if (const auto bad = inputs(args, in)) {
        ui.say(*bad);
        return kExitUsage;
    }
    if (!args.dryrun && ui.msgbox("真的要执行此操作吗？", "操作警告", Icon::Warning,
                                  Buttons::YesNoDefaultNo) != Answer::Yes) {
        return ui.refused() ? kExitUsage : kExitFailed;
    }
    platform::setwaitforfolderlock(args.wait);
    platform::setjournalling(!args.noundo);
    Run run(ui, args.dryrun, maydeletebelow(in.folder));
    batchdel::BatchDelete engine(ui);
    engine.setprogress(&run.progress());
    const Outcome outcome = engine.run(in);
    summarize(outcome, args.dryrun, ui);
    return run.status(outcome);
}

} // namespace

void adddeletecommand(CLI::App& app, Action& action)
{
    auto args = std::make_shared<DeleteArgs>();
    CLI::App* sub =
        app.add_subcommand("delete", "文件批量删除：按文件名、通配符或文件列表删除文件");
    auto* name = sub->add_option("--name", args->name,
                                 "文件名、通配符（* ?）或完整路径；不是完整路径时在 --in 中查找")
                     ->option_text("TEXT");
    sub->add_option("--list", args->list,
                    "文件列表（每行一个，或用逗号分隔）；有 --in 时为其中的文件名，否则为完整路径"
                    "（不能与 --name 同用）")
        ->option_text("FILE")
        ->excludes(name)
        ->check(nonemptypath());
    sub->add_option("--in", args->folder, "文件所在的文件夹")
        ->option_text("DIR")
        ->check(nonemptypath());
    sub->add_flag("-r,--recursive", args->recursive, "扫描子文件夹（所有层）");
    sub->add_flag("--report,!--no-report", args->report,
                  "把未能删除的文件写入 Err_Report.txt（默认写入；--no-report 不写）");
    sub->add_flag("-y,--yes", args->yes, "不询问，回答“是”");
    sub->add_flag("-n,--dry-run", args->dryrun, "只列出将被删除的文件，不删除");
    addwaitflag(*sub, args->wait);
    addnoundoflag(*sub, args->noundo);
    sub->add_flag("--trash", args->trash,
                  "把文件移入用户的回收站而不是删除（可在文件管理器中恢复；此次运行不保留撤销"
                  "记录，回收站就是恢复的途径；回收站与文件不在同一文件系统上时该文件不动并"
                  "说明原因）");
    sub->callback([args, &action] { action = [args] { return rundelete(*args); }; });
}

} // namespace morvik::cli
