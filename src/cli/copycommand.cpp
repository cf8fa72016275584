// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "cli/help.h"
#include "cli/paths.h"
#include "cli/run.h"
#include "cli/terminalui.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/journal.h"
#include "platform/fs/runlock.h"
#include "platform/syserror.h"
#include "tools/append/copyrun.h"

#include <CLI/CLI.hpp>
#include <memory>

namespace morvik::cli
{

namespace
{

struct CopyArgs {
    std::string source;
    std::string target;
    bool dryrun = false;
    bool wait = false;
    bool noundo = false;
};

int runcopy(const CopyArgs& args)
{
    TerminalUi ui(false, false);
    const std::string source = absolutefolder(args.source);
    std::vector<std::string> names;
    try {
        // The file list of the window: every visible file of the folder, in byte order.
        for (const auto& file : platform::getfolder(source).files) {
            if (file.visible()) {
                names.push_back(file.name);
            }
        }
    } catch (const platform::SysError& e) {
        ui.say("SOURCE_DIR：无法读取文件夹 " + args.source + "：" + e.reason());
        return kExitUsage;
    }
    const std::string target = absolutefolder(args.target);
    if (!platform::folderexists(target)) {
        ui.say("TARGET_DIR：文件夹不存在：" + args.target);
        return kExitUsage;
    }
    platform::setwaitforfolderlock(args.wait);
    platform::setjournalling(!args.noundo);
    Run run(ui, args.dryrun, maywrite);
    const Outcome outcome = append::copyrun(source, names, target, ui, &run.progress());
    if (!outcome.failures.empty()) {
        ui.say(append::failuretext(append::kCopyFailedHeading, outcome.failures));
    }
    if (!outcome.refused() && !args.dryrun) {
        if (outcome.has(Notice::Kind::Done)) {
            ui.say(append::kCopyDoneText);
        }
        ui.say(std::to_string(outcome.done) + " 个文件已复制，" +
               std::to_string(outcome.failures.size()) + " 个失败");
    }
    return run.status(outcome);
}

} // namespace

void addcopycommand(CLI::App& app, Action& action)
{
    auto args = std::make_shared<CopyArgs>();
    CLI::App* sub = app.add_subcommand(
        "copy", "批量追加文件：把源文件夹的每个文件复制到目标文件夹的每个直接子文件夹");
    sub->add_option("SOURCE_DIR", args->source, "源文件夹")->required()->check(nonemptypath());
    sub->add_option("TARGET_DIR", args->target, "目标文件夹")->required()->check(nonemptypath());
    sub->add_flag("-n,--dry-run", args->dryrun, "只列出将要创建或覆盖的文件，不复制");
    addwaitflag(*sub, args->wait);
    addnoundoflag(*sub, args->noundo);
    sub->callback([args, &action] { action = [args] { return runcopy(*args); }; });
}

} // namespace morvik::cli
