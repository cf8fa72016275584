// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the content-append run through the real batch append window (offscreen) and
// prints the longest gap between two turns of the window's event loop during the run.
// Usage: bench_uilatency CONTENTFILE DIR   (types *.htm, before "</body>", all levels)
#include "platform/fs/appfolder.h"
#include "widgets/qtglue.h"
#include "run/ui.h"
#include "support/recordingui.h"
#include "support/temptree.h"
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
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_uilatency CONTENTFILE DIR\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    win::setupapplication(app);
    // A data folder of the run's own, removed at the end.
    const morvik::test::TempTree data({}, "morvik-uilatency");
    morvik::platform::setappfolderfortesting(data.root());
    // The tests' recording Ui answers the type box with "*.htm" and every question Yes.
    morvik::test::RecordingUi ui;
    ui.otherwisetext = "*.htm";
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
    std::fprintf(stderr, "last box: %s\n", ui.boxes.empty() ? "" : ui.boxes.back().text.c_str());
    delete window;
    return 0;
}
