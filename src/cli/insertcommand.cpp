// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "cli/help.h"
#include "cli/paths.h"
#include "cli/run.h"
#include "cli/terminalui.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/journal.h"
#include "platform/fs/runlock.h"
#include "platform/text/wildcard.h"
#include "tools/append/contentrun.h"

#include <CLI/CLI.hpp>
#include <memory>

namespace morvik::cli
{

namespace
{

struct InsertArgs {
    std::string contentfile;
    std::string target;
    std::vector<std::string> types;
    std::string position;
    std::string scope = "one";
    bool dryrun = false;
    bool wait = false;
    bool noundo = false;
};

// The folders a run searches, by the word of --scope.
append::Scope scopeof(const std::string& word)
{
    if (word == "this") {
        return append::Scope::Cur;
    }
    return word == "all" ? append::Scope::All : append::Scope::CurrSub;
}

// A type as the window's type list holds it: a pattern such as "*.htm". A bare
// extension ("htm" or ".htm") becomes that pattern; a pattern stays as written.
std::string typepattern(const std::string& type)
{
    if (platform::haswildcard(type)) {
        return type;
    }
    return "*." + (type.starts_with('.') ? type.substr(1) : type);
}

int runinsert(const InsertArgs& args)
{
    TerminalUi ui(false, false);
    append::ContentSettings settings;
    settings.contentfile = args.contentfile;
    settings.targetfolder = absolutefolder(args.target);
    settings.position = args.position;
    settings.scope = scopeof(args.scope);
    for (const auto& type : args.types) {
        settings.types.push_back(typepattern(type));
    }
    if (!platform::folderexists(settings.targetfolder)) {
        ui.say("TARGET_DIR：文件夹不存在：" + args.target);
        return kExitUsage;
    }
    platform::setwaitforfolderlock(args.wait);
    platform::setjournalling(!args.noundo);
    Run run(ui, args.dryrun, maywrite);
    const Outcome outcome = append::contentrun(settings, ui, &run.progress());
    if (!outcome.failures.empty()) {
        ui.say(append::failuretext(append::kContentFailedHeading, outcome.failures));
    }
    if (!outcome.refused() && !args.dryrun) {
        if (outcome.has(Notice::Kind::Done)) {
            ui.say(append::kContentDoneText);
        }
        ui.say(std::to_string(outcome.done) + " 个文件已处理，" +
               std::to_string(outcome.failures.size()) + " 个失败");
    }
    // A content file or locator that cannot be used stops the run before any target is
    // changed: bad input.
    return run.status(outcome);
}

} // namespace

void addinsertcommand(CLI::App& app, Action& action)
{
    auto args = std::make_shared<InsertArgs>();
    CLI::App* sub = app.add_subcommand(
        "insert", "批量追加内容：把内容文件的文字插入目标文件夹中指定类型的每个文件");
    sub->add_option("CONTENT_FILE", args->contentfile, "内容文件")
        ->required()
        ->check(nonemptypath());
    sub->add_option("TARGET_DIR", args->target, "目标文件夹")->required()->check(nonemptypath());
    // One value per --types, so the arguments after it stay positionals.
    sub->add_option("--types", args->types,
                    "必需。文件类型，逗号分隔，如 htm,html 或 *.htm；可重复给出")
        ->option_text("LIST")
        ->required()
        ->allow_extra_args(false)
        ->delimiter(',');
    sub->add_option("--at", args->position,
                    "插入位置：空为文件末尾；A{:$}标识 在每个标识之后，F{:$}标识 在每个标识之前")
        ->option_text("LOCATOR");
    sub->add_option("--scope", args->scope,
                    "this：当前文件夹；one：当前及下级文件夹（默认）；all：所有文件夹")
        ->option_text("this|one|all")
        ->transform(oneof({"this", "one", "all"}));
    sub->add_flag("-n,--dry-run", args->dryrun, "只列出将被修改的文件，不修改");
    addwaitflag(*sub, args->wait);
    addnoundoflag(*sub, args->noundo);
    sub->callback([args, &action] { action = [args] { return runinsert(*args); }; });
}

} // namespace morvik::cli
