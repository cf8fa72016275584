// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the content-append run through the real batch append window (offscreen) and
// prints the longest gap between two turns of the window's event loop during the run.
// Usage: bench_uilatency CONTENTFILE DIR   (types *.htm, before "</body>", all levels)
#include "platform/appfolder.h"
#include "platform/qt/qtglue.h"
#include "platform/ui.h"
#include "tools/append/appendcwindow.h"
#include "ui/windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

// Answers the type box with "*.htm" and counts the boxes of the run.
class BenchUi : public morvik::Ui
{
public:
    morvik::Answer msgbox(const std::string& text, const std::string&, morvik::Icon,
                          morvik::Buttons) override
    {
        last = text;
        return morvik::Answer::Yes;
    }
    std::optional<std::string> inputbox(const std::string&, const std::string&,
                                        const std::string&) override
    {
        return std::string("*.htm");
    }
    void focus(const std::string&) override {}
    std::string last;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_uilatency CONTENTFILE DIR\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    win::setupapplication(app);
    const std::string data = std::filesystem::temp_directory_path() / "morvik-uilatency";
    std::filesystem::create_directories(data);
    morvik::platform::setappfolderfortesting(data);
    BenchUi ui;
    win::setuifortesting(&ui);

    auto* window = win::instance<win::appendc>();
    window->Command9_Click();
    window->Text1->setText(win::qs(argv[1]));
    window->Text2->setText(win::qs(argv[2]));
    window->Text3->setPlainText(QStringLiteral("F{:$}</body>"));
    window->Option3->setChecked(true);
    window->show();

    QElapsedTimer turn;
    qint64 longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longest = std::max(longest, turn.restart()); });
    QElapsedTimer run;
    run.start();
    turn.start();
    ticker.start(0);
    window->Command7_Click();
    ticker.stop();
    longest = std::max(longest, turn.elapsed());
    const double seconds = static_cast<double>(run.elapsed()) / 1000.0;

    std::printf("ui_latency: longest gap %lld ms (run %.2f s)\n", static_cast<long long>(longest),
                seconds);
    std::fprintf(stderr, "last box: %s\n", ui.last.c_str());
    delete window;
    std::filesystem::remove_all(data);
    return 0;
}
