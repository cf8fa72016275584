// Runs the file-append copy run: every visible file of SRC into every direct subfolder of
// DIR, and prints how many copies it made.
// Usage: bench_copyrun SRC DIR
#include "tools/append/copyrun.h"
#include "platform/consoleui.h"
#include "platform/fsobject.h"
#include "platform/syserror.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_copyrun SRC DIR\n");
        return 2;
    }
    try {
        // The names the window's file list shows: the visible files, in byte order.
        std::vector<std::string> names;
        for (const auto& file : morvik::platform::getfolder(argv[1]).files) {
            if (file.visible()) {
                names.push_back(file.name);
            }
        }
        const std::size_t folders = morvik::platform::getfolder(argv[2]).subfolders.size();
        morvik::platform::ConsoleUi ui;
        const auto failures = morvik::append::copyrun(argv[1], names, argv[2], ui);
        std::printf("%zu\n", names.size() * folders - failures.size());
        return failures.empty() ? 0 : 1;
    } catch (const morvik::platform::SysError& e) {
        std::fprintf(stderr, "bench_copyrun: %s\n", e.what());
        return 1;
    }
}
