// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the URL shortcut engine from the command line over a list file, with the poll
// tick at its real 1000 ms, and prints how many shortcuts the output folder then holds.
// Usage: bench_urlgen LISTFILE OUTFOLDER/ DATAFOLDER [POLLMS]
#include "platform/appfolder.h"
#include "platform/consoleui.h"
#include "platform/fsobject.h"
#include "platform/syserror.h"
#include "tools/urlgen/urlloop.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_urlgen LISTFILE OUTFOLDER/ DATAFOLDER [POLLMS]\n");
        return 2;
    }
    const int pollms = argc > 4 ? std::atoi(argv[4]) : 1000;
    // The error log, if any, goes beside the bench's own files.
    morvik::platform::setappfolderfortesting(argv[3]);

    morvik::UrlSettings settings;
    settings.content = "[InternetShortcut]\r\nURL=";
    settings.folder = argv[2];
    settings.report = true;

    morvik::UrlRun run;
    morvik::UrlLoop loop(run, argv[1], settings, std::chrono::milliseconds(pollms));
    morvik::platform::ConsoleUi ui(true);
    run.run(loop, ui);
    if (loop.statustext() != "生成完毕！") {
        std::fprintf(stderr, "bench_urlgen: the run did not finish\n");
        return 1;
    }
    try {
        std::size_t shortcuts = 0;
        for (const auto& file : morvik::platform::getfolder(argv[2]).files) {
            shortcuts += file.name.size() > 4 && file.name.ends_with(".url");
        }
        std::printf("%zu\n", shortcuts);
    } catch (const morvik::platform::SysError& e) {
        std::fprintf(stderr, "bench_urlgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
