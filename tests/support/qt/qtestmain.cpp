// SPDX-License-Identifier: GPL-3.0-or-later
// main() of the window tests: real widgets on the offscreen platform, set up as the
// program sets itself up (Qt's Chinese translation, the application font), with a fixed
// Chinese locale.
#include "widgets/qtglue.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QLocale>

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    unsetenv("QT_QPA_PLATFORMTHEME");
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QApplication app(argc, argv);
    win::setupapplication(app);
    win::registerlauncher();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
