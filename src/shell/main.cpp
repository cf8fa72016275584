// SPDX-License-Identifier: GPL-3.0-or-later
// The program starts with its launcher; it ends when the last window has closed.
#include "platform/processlimits.h"
#include "widgets/qtglue.h"
#include "run/ui.h"
#include "shell/mainwindow.h"
#include "shell/startup.h"
#include "shell/stopsignals.h"
#include "ui/windows.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv)
{
    morvik::platform::prepareprocess();
    QApplication app(argc, argv);
    try {
        win::setupapplication(app);
        win::setapplicationicon();
        win::registerlauncher();
        win::instance<win::main>()->show();
        win::stoponsignals(app);
        const int status = app.exec();
        return win::signalstatus() != 0 ? win::signalstatus() : status;
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QString::fromUtf8(morvik::kAppTitle),
                              QString::fromUtf8(e.what()));
    }
    return 1;
}
