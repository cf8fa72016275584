// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "cli/help.h"
#include "cli/paths.h"
#include "cli/run.h"
#include "cli/terminalui.h"
#include "cli/urlbatch.h"
#include "platform/fs/appfolder.h"
#include "platform/fs/fileops.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/journal.h"
#include "platform/net/httpcheck.h"
#include "platform/syserror.h"
#include "platform/text/codec.h"
#include "tools/urlgen/urlloop.h"

#include <CLI/CLI.hpp>
#include <memory>

namespace morvik::cli
{

namespace
{

struct UrlArgs {
    std::string listfile;
    std::string out;
    std::string templatefile;
    bool report = false;
    int jobs = 1;
    bool dryrun = false;
    bool noundo = false;
};

// The shortcut every address gets unless a template file says otherwise.
constexpr const char* kDefaultTemplate = "[InternetShortcut]\r\nURL=";

// A template file's text as the window's template box holds it: lines joined by CR LF.
std::string readtemplate(const std::string& path)
{
    const auto lines = platform::splitlines(platform::decode(platform::readbytes(path)));
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += "\r\n";
        }
        text += lines[i];
    }
    return text;
}

int runurl(const UrlArgs& args)
{
    TerminalUi ui(false, false);
    UrlSettings settings;
    settings.content = kDefaultTemplate;
    settings.report = args.report;
    if (!args.templatefile.empty()) {
        try {
            settings.content = readtemplate(args.templatefile);
        } catch (const platform::SysError& e) {
            ui.say("--template：无法读取模板文件 " + args.templatefile + "：" + e.reason());
            return kExitUsage;
        }
    }
    if (args.out.empty()) {
        // The data folder, named explicitly: the run refuses an empty output folder.
        settings.folder = platform::datafolder() + "/";
    } else {
        settings.folder = absolutefolder(args.out);
        if (!platform::folderexists(settings.folder)) {
            ui.say("--out：文件夹不存在：" + args.out);
            return kExitUsage;
        }
        if (settings.folder != "/") {
            settings.folder += '/';
        }
    }

    // The pages are fetched through libcurl, loaded now: without it no address could get
    // its shortcut, so the run does not start.
    if (const std::string problem = platform::httpcheck(); !problem.empty()) {
        ui.say(problem);
        return kExitFailed;
    }
    platform::setjournalling(!args.noundo);
    Run run(ui, args.dryrun, maywrite);
    // The two runs differ only in how the pages are fetched.
    Outcome outcome;
    if (args.jobs > 1 || args.dryrun) {
        outcome = UrlBatch(settings, args.jobs, ui, run.progress()).run(args.listfile);
    } else {
        // The paced run of the window, counted by the engine and stopped between two
        // addresses.
        UrlRun engine;
        UrlLoop host(engine, args.listfile, settings);
        outcome = engine.run(host, ui, &run.progress());
    }
    // Each shortcut or log line that was not (or, rehearsed, would not be) written.
    for (const auto& failure : outcome.failures) {
        ui.say(failure.path.empty() ? failure.reason : failure.path + ": " + failure.reason);
    }
    if (outcome.has(Notice::Kind::Done) && !(args.dryrun && outcome.failures.empty())) {
        ui.say(urldonetext(outcome.failures.size()));
    }
    if (outcome.skipped > 0) {
        ui.say(std::to_string(outcome.skipped) + " 个网址未能生成快捷方式" +
               (args.report && !args.dryrun ? "，见 " + platform::datafolder() + "/" + kErrorLogName
                                            : std::string()));
    }
    // Every address that got no shortcut fails the run, with or without the report, and
    // so does every file that could not be written.
    return run.status(outcome);
}

} // namespace

void addurlcommand(CLI::App& app, Action& action)
{
    auto args = std::make_shared<UrlArgs>();
    CLI::App* sub = app.add_subcommand(
        "url", "批量生成URL：为列表文件中的每个网址生成以网页标题命名的 .url 快捷方式");
    sub->add_option("LIST_FILE", args->listfile, "网址列表文件（*.txt，每行一个网址）")
        ->required()
        ->check(nonemptypath());
    sub->add_option("--out", args->out, "快捷方式的输出文件夹（默认为程序的数据文件夹）")
        ->option_text("DIR")
        ->check(nonemptypath());
    sub->add_option("--template", args->templatefile,
                    "快捷方式模板文件（默认 [InternetShortcut] 和 URL=）；URL= 后填入网址")
        ->option_text("FILE");
    sub->add_flag(
        "--report", args->report,
        "把未能生成快捷方式的网址（超时、无效、访问失败、没有标题）写入 Error_CreateUrl.log");
    sub->add_option("-j,--jobs", args->jobs,
                    "同时进行的传输数，1 到 64（默认 1，与窗口相同的节奏）")
        ->option_text("N")
        ->check(CLI::Range(1, 64));
    sub->add_flag("-n,--dry-run", args->dryrun, "只列出将要生成的快捷方式文件，不写入");
    addnoundoflag(*sub, args->noundo);
    sub->callback([args, &action] { action = [args] { return runurl(*args); }; });
}

} // namespace morvik::cli
