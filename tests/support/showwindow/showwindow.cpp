// SPDX-License-Identifier: GPL-3.0-or-later
// Shows one window of the program on its own, for screenshots of windows that only
// another window opens. Usage: showwindow picker
#include "platform/qt/qtglue.h"
#include "ui/folderpicker.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    win::setupapplication(app);
    if (argc != 2 || std::strcmp(argv[1], "picker") != 0) {
        std::fprintf(stderr, "usage: showwindow picker\n");
        return 2;
    }
    win::dialog picker;
    picker.show();
    return app.exec();
}
