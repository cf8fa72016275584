// bench_batchdel DIR PATTERN: deletes the files under DIR whose names match PATTERN, as
// the batch delete tool does for a bare pattern with "扫描子文件夹" on and no report, and
// prints the number of files deleted.
#include "platform/consoleui.h"
#include "tools/batchdel/engine.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIR PATTERN\n", argv[0]);
        return 2;
    }
    morvik::platform::ConsoleUi ui;
    morvik::batchdel::BatchDelete engine(ui);
    morvik::batchdel::Inputs in;
    in.folder = argv[1];
    in.T = argv[2];
    in.scan = true;
    in.report = false;
    engine.run(in);
    std::printf("%zu\n", engine.deleted());
    return ui.problems() > 0 ? 1 : 0;
}
