// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/mainwindow.h"

#include "platform/fs/appfolder.h"
#include "platform/net/browser.h"
#include "platform/fs/fileops.h"
#include "widgets/qtglue.h"
#include "platform/syserror.h"
#include "shell/addresses.h"
#include "shell/startup.h"
#include "shell/tools.h"
#include "shell/webstrip.h"
#include "ui/historywindow.h"
#include "ui/windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

#include <stdexcept>
#include <vector>

namespace win
{

namespace
{

std::string& stripaddress()
{
    static std::string address = addresses::kStripPage;
    return address;
}

} // namespace

QPixmap loadpicture(const std::string& relative)
{
    const std::string path = morvik::platform::resourcepath(relative);
    std::string bytes;
    try {
        bytes = morvik::platform::readbytes(path);
    } catch (const morvik::platform::SysError& e) {
        throw std::runtime_error("无法读取图片文件 " + path + "：" + e.reason());
    }
    QPixmap picture;
    if (!picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                              static_cast<uint>(bytes.size()))) {
        throw std::runtime_error("无法读取图片文件 " + path + "：不是可以识别的图片格式");
    }
    return picture;
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (mousedown) {
        mousedown();
    }
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (mouseup) {
        mouseup();
    }
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        click) {
        click();
    }
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        click) {
        click();
    }
}

main::main(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Morvik v1.1"));
    setFixedSize(px(9480), px(6450));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(tw(0, 0, 9480, 6450));

    Scriptlet1 = new WebStrip(this);
    Scriptlet1->setObjectName(QStringLiteral("Scriptlet1"));
    Scriptlet1->setGeometry(tw(0, 1200, 7800, 375));

    // Left to right: list, delete, append, URL, help.
    Picture1 = makebutton("Picture1", 600);
    Picture2 = makebutton("Picture2", 2280);
    Picture3 = makebutton("Picture3", 3960);
    Picture5 = makebutton("Picture5", 5640);
    Picture4 = makebutton("Picture4", 7320);
    Picture1->mousedown = [this] { Picture1_MouseDown(); };
    Picture2->mousedown = [this] { Picture2_MouseDown(); };
    Picture3->mousedown = [this] { Picture3_MouseDown(); };
    Picture4->mousedown = [this] { Picture4_MouseDown(); };
    Picture5->mousedown = [this] { Picture5_MouseDown(); };
    Picture1->mouseup = [this] { Picture1_MouseUp(); };
    Picture2->mouseup = [this] { Picture2_MouseUp(); };
    Picture3->mouseup = [this] { Picture3_MouseUp(); };
    Picture4->mouseup = [this] { Picture4_MouseUp(); };
    Picture5->mouseup = [this] { Picture5_MouseUp(); };
    Picture1->click = [this] { Picture1_Click(); };
    Picture2->click = [this] { Picture2_Click(); };
    Picture3->click = [this] { Picture3_Click(); };
    Picture4->click = [this] { Picture4_Click(); };
    Picture5->click = [this] { Picture5_Click(); };

    Label2 = makelink("Label2", tw(7320, 6120, 1935, 255));
    Label2->setText(QUrl(qs(addresses::kHomePage)).host());
    Label2->setToolTip(qs(addresses::kHomePage));
    Label2->click = [this] { Label2_Click(); };

    // In the empty middle of the bottom strip, clear of its caption and of "主页：".
    Label3 = makelink("Label3", tw(5400, 6120, 840, 255));
    Label3->setText(QStringLiteral("运行记录"));
    Label3->click = [this] { Label3_Click(); };

    Form_Initialize();
    Form_Load();
}

LinkLabel* main::makelink(const char* name, const QRect& rect)
{
    auto* link = new LinkLabel(this);
    link->setObjectName(QString::fromLatin1(name));
    link->setGeometry(rect);
    QFont linkfont = songti(9);
    linkfont.setUnderline(true);
    link->setFont(linkfont);
    QPalette linkpalette = link->palette();
    linkpalette.setColor(QPalette::WindowText, Qt::blue);
    link->setPalette(linkpalette);
    link->setCursor(Qt::PointingHandCursor);
    return link;
}

PictureBox* main::makebutton(const char* name, int left)
{
    auto* button = new PictureBox(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(tw(left, 2040, 1560, 692));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void main::Form_Initialize()
{
    guard(this, [] { startupcheck(); });
}

void main::Form_Load()
{
    // A picture that cannot be read is reported once for all, and the launcher still
    // comes up in its place.
    std::vector<std::string> problems;
    const auto load = [&problems](const char* relative, const auto& use) {
        try {
            use(loadpicture(relative));
        } catch (const std::exception& e) {
            problems.emplace_back(e.what());
        }
    };
    load("ico/bg-window.jpg", [this](const QPixmap& picture) {
        QPalette background = palette();
        background.setBrush(QPalette::Window, QBrush(picture));
        setPalette(background);
        setAutoFillBackground(true);
    });
    load("ico/bg-image.jpg", [this](const QPixmap& picture) { Image1->setPixmap(picture); });
    const std::pair<QLabel*, const char*> released[] = {
        {Picture1, "ico/list1.bmp"}, {Picture2, "ico/bdel1.bmp"}, {Picture3, "ico/app1.bmp"},
        {Picture4, "ico/help1.bmp"}, {Picture5, "ico/curl1.bmp"},
    };
    for (const auto& [picture, relative] : released) {
        load(relative, [picture](const QPixmap& bitmap) { picture->setPixmap(bitmap); });
    }

    Scriptlet1->resize(632, 22);
    centerwindow(this);

    if (!stripaddress().empty()) {
        Scriptlet1->load(stripaddress());
    }
    if (!problems.empty()) {
        std::string text;
        for (const auto& problem : problems) {
            text += text.empty() ? problem : "\n" + problem;
        }
        guard(this, [&text] { throw std::runtime_error(text); });
    }
}

void main::showbitmap(QLabel* picture, const char* relative)
{
    guard(this, [picture, relative] { picture->setPixmap(loadpicture(relative)); });
}

void main::Picture1_MouseDown()
{
    showbitmap(Picture1, "ico/list2.bmp");
}

void main::Picture2_MouseDown()
{
    showbitmap(Picture2, "ico/bdel2.bmp");
}

void main::Picture3_MouseDown()
{
    showbitmap(Picture3, "ico/app2.bmp");
}

void main::Picture4_MouseDown()
{
    showbitmap(Picture4, "ico/help2.bmp");
}

void main::Picture5_MouseDown()
{
    showbitmap(Picture5, "ico/curl2.bmp");
}

void main::Picture1_MouseUp()
{
    showbitmap(Picture1, "ico/list1.bmp");
}

void main::Picture2_MouseUp()
{
    showbitmap(Picture2, "ico/bdel1.bmp");
}

void main::Picture3_MouseUp()
{
    showbitmap(Picture3, "ico/app1.bmp");
}

void main::Picture4_MouseUp()
{
    showbitmap(Picture4, "ico/help1.bmp");
}

void main::Picture5_MouseUp()
{
    showbitmap(Picture5, "ico/curl1.bmp");
}

void main::opentool(Tool tool)
{
    guard(this, [this, tool] {
        // The tool window loads while the launcher is still on screen.
        if (QWidget* window = toolwindow(tool)) {
            window->show();
            hide();
        }
    });
}

void main::Picture1_Click()
{
    opentool(Tool::List);
}

void main::Picture2_Click()
{
    opentool(Tool::Delete);
}

void main::Picture3_Click()
{
    opentool(Tool::Append);
}

void main::Picture4_Click()
{
    opentool(Tool::Help);
}

void main::Picture5_Click()
{
    // The URL window loads with the launcher already hidden. Without a window to show
    // the launcher comes back, so the program is never left without one.
    guard(this, [this] {
        hide();
        QWidget* window = nullptr;
        try {
            window = toolwindow(Tool::Url);
            if (window) {
                window->show();
            }
        } catch (...) {
            show();
            throw;
        }
        if (!window) {
            show();
        }
    });
}

void main::Label2_Click()
{
    guard(this, [] { morvik::platform::openinbrowser(addresses::kHomePage); });
}

void main::Label3_Click()
{
    guard(this, [] {
        runhistory* window = instance<runhistory>();
        window->show();
        window->raise();
        window->activateWindow();
    });
}

void main::setstripaddressfortesting(const std::string& address)
{
    stripaddress() = address;
}

void main::closeEvent(QCloseEvent* event)
{
    // Tool windows may be loaded but hidden (the batch delete window while help is
    // open): they close with the launcher, so the program ends. One that refuses to
    // close keeps the launcher open too.
    m_closing = true;
    bool refused = false;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window != this && window->isWindow() && !window->parentWidget() && !window->close()) {
            refused = true;
        }
    }
    if (refused) {
        m_closing = false;
        event->ignore();
        return;
    }
    event->accept();
}

void registerlauncher()
{
    setlauncher([] {
        // A window closed together with the launcher must not bring it back.
        if (main* launcher = existing<main>(); launcher && launcher->closing()) {
            return;
        }
        instance<main>()->show();
    });
}

} // namespace win
