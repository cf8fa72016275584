// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "cli/paths.h"
#include "cli/run.h"
#include "cli/terminalui.h"
#include "platform/fsobject.h"
#include "platform/wildcard.h"
#include "tools/append/contentrun.h"

#include <CLI/CLI.hpp>
#include <map>
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
    append::Scope scope = append::Scope::CurrSub;
    bool dryrun = false;
};

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
    settings.scope = args.scope;
    for (const auto& type : args.types) {
        settings.types.push_back(typepattern(type));
    }
    if (!platform::folderexists(settings.targetfolder)) {
        ui.say("TARGET_DIR：文件夹不存在：" + args.target);
        return kExitUsage;
    }
    bool zt = false;
    Run run(ui, args.dryrun, maywrite);
    const append::RunOutcome outcome = append::contentrun(settings, zt, ui, &run.progress());
    // A content file or locator that cannot be used stops the run before any target
    // is changed: bad input.
    const bool refusedinput = zt || (outcome.calls == 0 && ui.anyboxbut({"追加内容"}));
    const int status = run.status(!outcome.failures.empty() || run.progress().failed() > 0);
    return refusedinput && status <= kExitFailed ? kExitUsage : status;
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
    sub->add_option("--types", args->types, "文件类型，逗号分隔，如 htm,html 或 *.htm")
        ->required()
        ->delimiter(',');
    sub->add_option("--at", args->position,
                    "插入位置：空为文件末尾；A{:$}标识 在每个标识之后，F{:$}标识 在每个标识之前");
    const std::map<std::string, append::Scope> scopes = {
        {"this", append::Scope::Cur}, {"one", append::Scope::CurrSub}, {"all", append::Scope::All}};
    sub->add_option("--scope", args->scope,
                    "this：当前文件夹；one：当前及下级文件夹（默认）；all：所有文件夹")
        ->transform(CLI::CheckedTransformer(scopes, CLI::ignore_case));
    sub->add_flag("-n,--dry-run", args->dryrun, "只列出将被修改的文件，不修改");
    sub->callback([args, &action] { action = [args] { return runinsert(*args); }; });
}

} // namespace morvik::cli
