// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/centerform.h"
#include "shell/addresses.h"
#include "shell/mainwindow.h"
#include "shell/startup.h"
#include "shell/webstrip.h"
#include "shellfixture.h"
#include "ui/helpwindow.h"
#include "ui/windows.h"

#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>

namespace morvik::test
{
namespace
{

struct Button {
    const char* name;
    int left; // pixels
    const char* released;
    const char* pressed;
};

// Left to right as they stand on the launcher.
constexpr Button kButtons[] = {
    {"Picture1", 40, "list1.bmp", "list2.bmp"},  {"Picture2", 152, "bdel1.bmp", "bdel2.bmp"},
    {"Picture3", 264, "app1.bmp", "app2.bmp"},   {"Picture5", 376, "curl1.bmp", "curl2.bmp"},
    {"Picture4", 488, "help1.bmp", "help2.bmp"},
};

QLabel* button(win::main* launcher, const char* name)
{
    return launcher->findChild<QLabel*>(QString::fromLatin1(name));
}

// Windows of the program that still exist, visible or hidden.
int programwindows()
{
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<win::main*>(window) || qobject_cast<win::help*>(window)) {
            ++count;
        }
    }
    return count;
}

using Launcher = ShellTest;

TEST_F(Launcher, OpensCentredWithItsButtonsAndStrip)
{
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    ASSERT_TRUE(launcher->isVisible());
    EXPECT_EQ(launcher->windowTitle(), QStringLiteral("Morvik v1.1"));
    EXPECT_EQ(launcher->size(), QSize(632, 430));
    EXPECT_EQ(ui.boxes.size(), 0u) << ui.titles();

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = launcher->frameGeometry();
    const Placement centre =
        centerform(screen.width(), screen.height(), frame.width(), frame.height());
    // Centred when created, when the frame may not be known yet: off by at most it.
    EXPECT_NEAR(frame.left(), centre.left, (frame.width() - launcher->width()) / 2.0 + 0.5);
    EXPECT_NEAR(frame.top(), centre.top, (frame.height() - launcher->height()) / 2.0 + 0.5);

    for (const Button& b : kButtons) {
        QLabel* picture = button(launcher, b.name);
        ASSERT_NE(picture, nullptr) << b.name;
        EXPECT_EQ(picture->geometry(), QRect(b.left, 136, 104, 46)) << b.name;
        EXPECT_TRUE(shows(picture, b.released)) << b.name;
    }
    auto* strip = launcher->findChild<win::WebStrip*>(QStringLiteral("Scriptlet1"));
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->geometry(), QRect(0, 80, 632, 22));

    auto* image = launcher->findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(samepixels(image->pixmap().toImage()) ==
                samepixels(QImage(QString::fromStdString(app.path("ico/bg-image.jpg")))));

    auto* link = launcher->findChild<QLabel*>(QStringLiteral("Label2"));
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(QString::fromUtf8(win::addresses::kHomePage).contains(link->text()));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->geometry(), QRect(488, 408, 129, 17));
    // The run history's link sits in the same strip, clear of the home page's.
    auto* history = launcher->findChild<QLabel*>(QStringLiteral("Label3"));
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->text(), QStringLiteral("运行记录"));
    EXPECT_EQ(history->geometry(), QRect(360, 408, 56, 17));
}

TEST_F(Launcher, StartingLeavesQtsFileDialogSettingsAlone)
{
    // A trial file dialog at start once rewrote the last folder and history that the
    // tools' file-open dialogs start from.
    TempTree config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(config.root()));
    win::instance<win::main>()->show();
    closeallwindows();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    EXPECT_EQ(config.listing(), "");
    EXPECT_EQ(ui.boxes.size(), 0u) << ui.titles();
}

TEST_F(Launcher, AFailedStartUpCheckIsReportedAndTheLauncherStillOpens)
{
    const std::string problem = "HTTP 传输组件不可用：libcurl 7.88.1 不支持 https";
    win::setstartupproblemsfortesting(problem);
    win::main* launcher = win::instance<win::main>();
    win::setstartupproblemsfortesting("");
    launcher->show();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, problem);
    EXPECT_EQ(ui.boxes[0].title, "Ruvo");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_TRUE(shows(launcher->Picture1, "list1.bmp"));
}

TEST_F(Launcher, AnyMouseButtonSwapsTheBitmapsButOnlyALeftClickOpens)
{
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    for (const Button& b : kButtons) {
        QLabel* picture = button(launcher, b.name);
        for (Qt::MouseButton mouse : {Qt::RightButton, Qt::MiddleButton}) {
            sendmouse(picture, QEvent::MouseButtonPress, mouse);
            EXPECT_TRUE(shows(picture, b.pressed)) << b.name;
            sendmouse(picture, QEvent::MouseButtonRelease, mouse);
            EXPECT_TRUE(shows(picture, b.released)) << b.name;
        }
        // Left press, released away from the button: no click either.
        sendmouse(picture, QEvent::MouseButtonPress, Qt::LeftButton);
        EXPECT_TRUE(shows(picture, b.pressed)) << b.name;
        sendmouse(picture, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(200, 23));
        EXPECT_TRUE(shows(picture, b.released)) << b.name;
    }
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_EQ(programwindows(), 1);
    EXPECT_EQ(ui.boxes.size(), 0u) << ui.titles();
}

TEST_F(Launcher, ReadsTheBitmapFromDiskAtEveryPress)
{
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    // Another picture under the pressed name, after the launcher has loaded.
    app.createFile("ico/list2.bmp", readAll(builtico() + "/curl2.bmp"));
    sendmouse(launcher->Picture1, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_TRUE(shows(launcher->Picture1, "curl2.bmp"));
    sendmouse(launcher->Picture1, QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_TRUE(shows(launcher->Picture1, "list1.bmp"));
}

TEST_F(Launcher, AMissingPressedBitmapIsReportedWhenPressed)
{
    std::remove(app.path("ico/help2.bmp").c_str());
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    ASSERT_TRUE(launcher->isVisible());
    ASSERT_EQ(ui.boxes.size(), 0u) << ui.boxes[0].text;

    sendmouse(launcher->Picture4, QEvent::MouseButtonPress, Qt::LeftButton);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Ruvo");
    EXPECT_NE(ui.boxes[0].text.find(app.path("ico/help2.bmp")), std::string::npos)
        << ui.boxes[0].text;
    EXPECT_NE(ui.boxes[0].text.find("No such file"), std::string::npos) << ui.boxes[0].text;
    // The button keeps what it showed; the window stays usable.
    EXPECT_TRUE(shows(launcher->Picture4, "help1.bmp"));
    sendmouse(launcher->Picture1, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_TRUE(shows(launcher->Picture1, "list2.bmp"));
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(Launcher, PicturesMissingAtLoadAreReportedInOneBoxAndTheLauncherStillOpens)
{
    std::remove(app.path("ico/bdel1.bmp").c_str());
    app.createFile("ico/curl1.bmp", "not a picture");
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    EXPECT_TRUE(launcher->isVisible());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Ruvo");
    const std::string& text = ui.boxes[0].text;
    EXPECT_NE(text.find(app.path("ico/bdel1.bmp")), std::string::npos) << text;
    EXPECT_NE(text.find(app.path("ico/curl1.bmp")), std::string::npos) << text;
    EXPECT_EQ(text.find("list1.bmp"), std::string::npos) << text;
    EXPECT_TRUE(shows(launcher->Picture3, "app1.bmp"));
    EXPECT_EQ(launcher->Scriptlet1->size(), QSize(632, 22));
}

TEST_F(Launcher, EveryButtonLeavesAWindowOnScreen)
{
    // Whether or not a tool is built in, a click never leaves the program without a
    // visible window, and closing the tool brings the launcher back.
    for (const Button& b : kButtons) {
        win::main* launcher = win::instance<win::main>();
        launcher->show();
        leftclick(button(launcher, b.name));
        QWidget* visible = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && !visible) {
                visible = window;
            }
        }
        ASSERT_NE(visible, nullptr) << b.name;
        if (visible != launcher) {
            EXPECT_FALSE(launcher->isVisible()) << b.name;
            visible->close();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_TRUE(win::instance<win::main>()->isVisible()) << b.name;
        EXPECT_EQ(win::instance<win::main>(), launcher) << b.name;
    }
    EXPECT_EQ(ui.boxes.size(), 0u) << ui.titles();
}

// Notes, for the first other window that appears, whether the launcher was on screen.
class FirstWindowShown : public QObject
{
public:
    explicit FirstWindowShown(QWidget* launcher) : m_launcher(launcher)
    {
        qApp->installEventFilter(this);
    }
    ~FirstWindowShown() override { qApp->removeEventFilter(this); }

    QWidget* window = nullptr;
    bool launchervisible = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!window && event->type() == QEvent::Show && widget && widget->isWindow() &&
            widget != m_launcher) {
            window = widget;
            launchervisible = m_launcher->isVisible();
        }
        return false;
    }

private:
    QWidget* m_launcher;
};

TEST_F(Launcher, ToolWindowsAppearBeforeItHidesButTheUrlWindowAfter)
{
    const struct {
        const char* button;
        bool launchervisible;
    } rows[] = {{"Picture1", true}, {"Picture4", true}, {"Picture5", false}};
    for (const auto& row : rows) {
        win::main* launcher = win::instance<win::main>();
        launcher->show();
        FirstWindowShown watch(launcher);
        leftclick(button(launcher, row.button));
        if (!watch.window) {
            // A tool this build does not have opens nothing.
            EXPECT_TRUE(launcher->isVisible()) << row.button;
            continue;
        }
        EXPECT_EQ(watch.launchervisible, row.launchervisible) << row.button;
        EXPECT_FALSE(launcher->isVisible()) << row.button;
        watch.window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(launcher->isVisible()) << row.button;
    }
    EXPECT_EQ(ui.boxes.size(), 0u) << ui.titles();
}

TEST_F(Launcher, HelpHidesTheLauncherAndItsCloseBringsItBackInPlace)
{
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    launcher->move(17, 29);
    const QPoint place = launcher->pos();

    leftclick(launcher->Picture4);
    win::help* help = win::existing<win::help>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_TRUE(shows(launcher->Picture4, "help1.bmp"));

    help->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(win::existing<win::help>(), nullptr);
    ASSERT_EQ(win::existing<win::main>(), launcher);
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_EQ(launcher->pos(), place);
}

TEST_F(Launcher, ClosingItClosesHiddenToolWindows)
{
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    // Loaded but hidden, as a tool window is while help is open.
    win::instance<win::help>()->hide();
    ASSERT_EQ(programwindows(), 2);

    // The program's own event loop, closed from inside it: it ends by itself. The
    // bound only keeps a failing run from hanging.
    bool closed = false;
    QTimer::singleShot(0, launcher, [launcher, &closed] { closed = launcher->close(); });
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    bound.start(30000);
    EXPECT_EQ(QApplication::exec(), 0);
    bound.stop();
    EXPECT_TRUE(closed);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(win::existing<win::help>(), nullptr);
    // The help window's close did not bring the launcher back.
    EXPECT_EQ(win::existing<win::main>(), nullptr);
    EXPECT_EQ(programwindows(), 0);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();
    }
}

TEST_F(Launcher, ClosingHelpShowsTheLauncherWhoeverOpenedIt)
{
    win::help* help = win::instance<win::help>();
    help->show();
    ASSERT_EQ(win::existing<win::main>(), nullptr);
    help->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(win::existing<win::main>(), nullptr);
    EXPECT_TRUE(win::existing<win::main>()->isVisible());
}

} // namespace
} // namespace morvik::test
