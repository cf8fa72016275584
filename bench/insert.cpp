// Runs the content-append run over a folder tree, as the window's "追加内容" does, and
// prints how many files it called the insertion for.
// Usage: bench_insert CONTENTFILE DIR TYPES LOCATOR   (all levels; TYPES joined by "|")
#include "platform/ui.h"
#include "tools/append/contentrun.h"

#include <cstdio>
#include <string>

namespace
{

// Warnings and errors go to stderr; a run that shows one, or rejects its locator, fails.
class StderrUi : public morvik::Ui
{
public:
    morvik::Answer msgbox(const std::string& text, const std::string& title, morvik::Icon icon,
                          morvik::Buttons) override
    {
        if (icon == morvik::Icon::Critical || icon == morvik::Icon::Warning) {
            std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
            failed = true;
        }
        return morvik::Answer::Yes;
    }
    std::optional<std::string> inputbox(const std::string&, const std::string&,
                                        const std::string&) override
    {
        return std::nullopt;
    }
    void focus(const std::string&) override {}

    bool failed = false;
};

} // namespace

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
    StderrUi ui;
    bool zt = false;
    const auto outcome = morvik::append::contentrun(settings, zt, ui);
    std::printf("%zu\n", outcome.calls);
    return ui.failed || zt ? 1 : 0;
}
