// Runs the file-append copy run: every visible file of SRC into every direct subfolder of
// DIR, and prints how many copies it made.
// Usage: bench_copyrun SRC DIR
#include "tools/append/copyrun.h"
#include "platform/fsobject.h"
#include "platform/syserror.h"
#include "platform/ui.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{

class StderrUi : public morvik::Ui
{
public:
    morvik::Answer msgbox(const std::string& text, const std::string& title, morvik::Icon icon,
                          morvik::Buttons) override
    {
        if (icon != morvik::Icon::Information) {
            std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
        }
        return morvik::Answer::Yes;
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
        StderrUi ui;
        const auto failures = morvik::append::copyrun(argv[1], names, argv[2], ui);
        std::printf("%zu\n", names.size() * folders - failures.size());
        return failures.empty() ? 0 : 1;
    } catch (const morvik::platform::SysError& e) {
        std::fprintf(stderr, "bench_copyrun: %s\n", e.what());
        return 1;
    }
}
