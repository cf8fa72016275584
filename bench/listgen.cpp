// bench_listgen DIR: writes filelist.txt for DIR into the working folder, the way the
// list window does with its default options (subfolders and files, bare names), with
// the folder read through the platform layer and no message boxes.
#include "tools/filelist/listgen.h"
#include "platform/fsobject.h"
#include "platform/syserror.h"
#include "platform/ui.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace
{

// Keeps quiet on success; a failure goes to stderr.
class SilentUi : public morvik::Ui
{
public:
    morvik::Answer msgbox(const std::string& text, const std::string&, morvik::Icon icon,
                          morvik::Buttons) override
    {
        if (icon == morvik::Icon::Critical || icon == morvik::Icon::Warning) {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        return morvik::Answer::Ok;
    }
    std::optional<std::string> inputbox(const std::string&, const std::string&,
                                        const std::string&) override
    {
        return std::nullopt;
    }
    void focus(const std::string&) override {}
};

} // namespace

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
        SilentUi ui;
        morvik::filelist::ListGenerator generator;
        const bool ok = generator.generate(folder.path, morvik::filelist::ItemList::of(subfolders),
                                           morvik::filelist::ItemList::of(files), {}, ui);
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
