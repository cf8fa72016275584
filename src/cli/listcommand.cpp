// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "cli/help.h"
#include "cli/paths.h"
#include "cli/terminalui.h"
#include "platform/fs/fileops.h"
#include "platform/syserror.h"
#include "platform/text/wildcard.h"
#include "tools/filelist/folderlisting.h"
#include "tools/filelist/listgen.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

namespace morvik::cli
{

namespace
{

struct ListArgs {
    std::string folder;
    bool foldersonly = false;
    bool filesonly = false;
    bool absolute = false;
    std::string ext;
    std::string output = filelist::kListFile;
    bool null = false;
    std::string encoding = "gbk";
};

// The file list's filter for an extension box: "*." and the text, as the window's box
// makes it ("htm;*.css" gives two patterns); no text lets every file through.
platform::PatternFilter extensionfilter(const std::string& ext)
{
    return platform::PatternFilter(ext.empty() ? std::string() : "*." + ext);
}

void writestdout(std::string_view bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// Ctrl-C, SIGTERM and SIGHUP held back while it lives; one that came meanwhile ends the
// process when it is let through, as it would have.
class HeldStopSignals
{
public:
    HeldStopSignals()
    {
        sigset_t stops;
        sigemptyset(&stops);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&stops, signal);
        }
        sigprocmask(SIG_BLOCK, &stops, &m_before);
    }
    ~HeldStopSignals() { sigprocmask(SIG_SETMASK, &m_before, nullptr); }
    HeldStopSignals(const HeldStopSignals&) = delete;
    HeldStopSignals& operator=(const HeldStopSignals&) = delete;

private:
    sigset_t m_before;
};

int runlist(const ListArgs& args)
{
    TerminalUi ui(false, false);
    if (args.encoding != "gbk" && args.output != "-") {
        ui.say("--encoding：只用于写到标准输出的列表（-o -）；写入文件的列表总是 GBK");
        return kExitUsage;
    }
    std::optional<filelist::FolderListing> listing;
    try {
        listing.emplace(absolutefolder(args.folder), extensionfilter(args.ext));
    } catch (const platform::SysError& e) {
        ui.say("DIR：无法读取文件夹 " + args.folder + "：" + e.reason());
        return kExitUsage;
    }

    if (args.null) {
        // The names as they are on disk, each ended by a NUL, for xargs -0.
        listing->writenames(args.absolute, !args.filesonly, !args.foldersonly, writestdout);
        std::fflush(stdout);
        return kExitOk;
    }
    const filelist::ListOptions options{args.absolute, !args.filesonly, !args.foldersonly};
    if (args.output == "-") {
        listing->write(options, args.encoding != "utf-8", writestdout);
        std::fflush(stdout);
        return kExitOk;
    }
    // filelist.txt goes into the working folder, named in full as the window names it.
    const bool listfile = args.output == filelist::kListFile;
    const std::string target = listfile ? filelist::listfilepath() : args.output;
    try {
        // The listing is merged and converted while its temporary file is written: a stop
        // signal waits for the file to be in place rather than leave the temporary behind.
        const HeldStopSignals held;
        platform::writeoutput(target, [&](int fd) {
            listing->write(options, true, [fd, &target](std::string_view bytes) {
                platform::writeall(fd, bytes, target);
            });
        });
    } catch (const platform::SysError& e) {
        ui.say(filelist::failedtext({target, e.reason()}));
        return kExitFailed;
    }
    ui.say(filelist::donetext(listfile ? target : writtenpath(target)));
    return kExitOk;
}

} // namespace

void addlistcommand(CLI::App& app, Action& action)
{
    auto args = std::make_shared<ListArgs>();
    CLI::App* sub = app.add_subcommand(
        "list", "列表生成：把文件夹的子文件夹和文件写入 filelist.txt（GBK，CR LF）");
    sub->add_option("DIR", args->folder, "要列出的文件夹")->required()->check(nonemptypath());
    auto* folders = sub->add_flag("--folders", args->foldersonly, "只列出文件夹");
    sub->add_flag("--files", args->filesonly, "只列出文件（不能与 --folders 同用）")
        ->excludes(folders);
    sub->add_flag("--absolute", args->absolute, "使用绝对路径");
    sub->add_option("--ext", args->ext, "文件扩展名，如 htm（多个用 ;*. 隔开，如 htm;*.css）")
        ->option_text("EXT");
    auto* output = sub->add_option("-o,--output", args->output,
                                   "写入的文件（默认为工作文件夹中的 filelist.txt；- 为标准输出）")
                       ->option_text("FILE")
                       ->check(nonemptypath());
    auto* null =
        sub->add_flag("-0,--null", args->null,
                      "把名称写到标准输出，每个名称后跟一个 NUL 字节，供 xargs -0 "
                      "使用；没有标题，名称是文件系统中的原样字节（不能与 -o、--encoding 同用）")
            ->excludes(output);
    sub->add_option("--encoding", args->encoding,
                    "写到标准输出（-o -）的列表的编码：gbk（默认）或 utf-8；"
                    "写入文件的列表总是 GBK")
        ->option_text("gbk|utf-8")
        ->transform(oneof({"gbk", "utf-8"}))
        ->excludes(null);
    sub->callback([args, &action] { action = [args] { return runlist(*args); }; });
}

} // namespace morvik::cli
