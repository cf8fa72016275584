// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the launcher and help window tests share: an application folder of their own
// holding a copy of the built pictures, a recording Ui, and clean-up of every window.

#include "platform/fs/appfolder.h"
#include "widgets/qtglue.h"
#include "shell/mainwindow.h"
#include "ui/windows.h"
#include "support/recordingui.h"
#include "support/temptree.h"

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace morvik::test
{

// The folder of the test program (build/tests).
inline std::string testprogramfolder()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

// The pictures the build drew, beside the program (build/ico).
inline std::string builtico()
{
    return std::filesystem::path(testprogramfolder()).parent_path().string() + "/ico";
}

inline const char* const kPictures[] = {
    "list1.bmp", "list2.bmp", "bdel1.bmp", "bdel2.bmp", "app1.bmp",      "app2.bmp",
    "help1.bmp", "help2.bmp", "curl1.bmp", "curl2.bmp", "bg-window.jpg", "bg-image.jpg",
};

// Destroys every top-level window, as the end of a test must leave none behind.
inline void closeallwindows()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->close();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

// Runs the event loop until the condition holds or the time is up (a bound, not a wait).
inline bool waitfor(const std::function<bool()>& done, int ms = 10000)
{
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    poll.start(10);
    loop.exec();
    return done();
}

inline void sendmouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button,
                      QPoint at = QPoint(52, 23))
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Left button down and up over the middle of a widget: mouse down, mouse up, click.
inline void leftclick(QWidget* widget)
{
    const QPoint middle = widget->rect().center();
    sendmouse(widget, QEvent::MouseButtonPress, Qt::LeftButton, middle);
    sendmouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, middle);
}

inline QImage samepixels(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

class ShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : kPictures) {
            app.createFile(std::string("ico/") + name, readAll(builtico() + "/" + name));
        }
        platform::setappfolderfortesting(app.root());
        win::setuifortesting(&ui);
        // No network in tests unless a test serves the page itself.
        win::main::setstripaddressfortesting("");
    }

    void TearDown() override
    {
        closeallwindows();
        win::setuifortesting(nullptr);
        platform::setappfolderfortesting(testprogramfolder());
    }

    // The picture a button shows, compared by its pixels with a file of the folder.
    bool shows(QLabel* picture, const std::string& file) const
    {
        const QImage expected(QString::fromStdString(app.path("ico/" + file)));
        return !expected.isNull() &&
               samepixels(picture->pixmap().toImage()) == samepixels(expected);
    }

    TempTree app;
    RecordingUi ui;
};

} // namespace morvik::test
