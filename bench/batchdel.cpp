// bench_batchdel DIR PATTERN: deletes the files under DIR whose names match PATTERN, as
// the batch delete tool does for a bare pattern with "扫描子文件夹" on and no report, and
// prints the number of files deleted.
#include "platform/ui.h"
#include "tools/batchdel/engine.h"

#include <cstdio>
#include <string>

namespace
{

// Answers every box; the boxes of a run go to stderr so a failed run is visible.
class SilentUi : public morvik::Ui
{
public:
    morvik::Answer msgbox(const std::string& text, const std::string& title, morvik::Icon,
                          morvik::Buttons buttons) override
    {
        if (title != "删除操作") {
            std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
            failed = true;
        }
        return buttons == morvik::Buttons::Ok ? morvik::Answer::Ok : morvik::Answer::Yes;
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
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIR PATTERN\n", argv[0]);
        return 2;
    }
    SilentUi ui;
    morvik::batchdel::BatchDelete engine(ui);
    morvik::batchdel::Inputs in;
    in.folder = argv[1];
    in.T = argv[2];
    in.scan = true;
    in.report = false;
    engine.run(in);
    std::printf("%zu\n", engine.deleted());
    return ui.failed ? 1 : 0;
}
