// Runs the content-append run over a folder tree, as the window's "追加内容" does, and
// prints how many files it called the insertion for.
// Usage: bench_insert CONTENTFILE DIR TYPES LOCATOR   (all levels; TYPES joined by "|")
#include "platform/consoleui.h"
#include "tools/append/contentrun.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_insert CONTENTFILE DIR TYPES LOCATOR\n");
        return 2;
    }
    morvik::append::ContentSettings settings;
    settings.contentfile = argv[1];
    settings.targetfolder = argv[2];
    settings.types = morvik::append::splittypes(argv[3]);
    settings.position = argv[4];
    settings.scope = morvik::append::Scope::All;
    morvik::platform::ConsoleUi ui;
    bool zt = false;
    const auto outcome = morvik::append::contentrun(settings, zt, ui);
    std::printf("%zu\n", outcome.calls);
    return ui.problems() > 0 || zt ? 1 : 0;
}
