// SPDX-License-Identifier: GPL-3.0-or-later
// bench_listgen DIR: writes filelist.txt for DIR into the working folder, the way the
// list window does with its default options (subfolders and files, bare names), with
// the folder read through the platform layer and no message boxes.
#include "tools/filelist/listgen.h"
#include "platform/consoleui.h"
#include "platform/fsobject.h"
#include "platform/syserror.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_listgen DIR\n");
        return 2;
    }
    try {
        const auto folder = morvik::platform::getfolder(argv[1]);
        std::vector<std::string> subfolders;
        subfolders.reserve(folder.subfolders.size());
        for (const auto& s : folder.subfolders) {
            subfolders.push_back(s.path);
        }
        std::vector<std::string> files;
        files.reserve(folder.files.size());
        for (const auto& f : folder.files) {
            if (f.visible()) {
                files.push_back(f.name);
            }
        }
        morvik::platform::ConsoleUi ui;
        morvik::filelist::ListGenerator generator;
        const bool ok = generator.generate(folder.path, morvik::filelist::ItemList::of(subfolders),
                                           morvik::filelist::ItemList::of(files), {}, ui);
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
