// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/curlwindow.h"

#include "ui/showoutcome.h"

#include "common/dbrecord.h"
#include "tools/urlgen/shortcut.h"
#include "ui/backgroundrun.h"
#include "ui/folderpicker.h"
#include "ui/undorun.h"
#include "ui/windows.h"
#include "widgets/framebox.h"
#include "widgets/pathedit.h"
#include "widgets/qtglue.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace win
{

namespace
{

constexpr const char* kKey = "CURL";
constexpr const char* kNote = "保存生成URl的值";
constexpr const char* kSeparator = "##";

std::vector<std::string> split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

// Every CR LF CR LF becomes CR LF in one left-to-right pass: a blank line goes, and
// three line breaks in a row become two.
std::string collapseblanklines(const std::string& text)
{
    static const std::string kPair = "\r\n\r\n";
    std::string out;
    std::size_t start = 0;
    for (std::size_t at = text.find(kPair); at != std::string::npos; at = text.find(kPair, start)) {
        out.append(text, start, at - start);
        out += "\r\n";
        start = at + kPair.size();
    }
    out.append(text, start);
    return out;
}

std::size_t characters(const std::string& utf8)
{
    std::size_t n = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, const QRect& place)
{
    return win::place(new QLabel(caption, parent), name, place);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QRect& place)
{
    return win::place(new QPushButton(caption, parent), name, place);
}

} // namespace

curl::curl(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("curl"));
    setWindowTitle(QStringLiteral("批量生成URL文件 - Morvik"));
    setFixedSize(px(6750), px(5940));

    Label1 = label(this, "Label1", QStringLiteral("网址列表："), tw(240, 360, 975, 255));
    Text1 = new PathEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(tw(1200, 240, 4215, 375));
    Command1 = button(this, "Command1", QStringLiteral("浏 览..."), tw(5520, 240, 1095, 375));

    Label2 = label(this, "Label2", QStringLiteral("存储位置："), tw(240, 840, 975, 375));
    Text2 = new PathEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(tw(1200, 720, 4215, 375));
    Command2 = button(this, "Command2", QStringLiteral("浏 览..."), tw(5520, 720, 1095, 375));

    Frame1 = new FrameBox(QStringLiteral("URL文件内容"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(tw(120, 1200, 6495, 3015));
    Text3 = new QPlainTextEdit(Frame1);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setGeometry(tw(120, 240, 6255, 2655));
    // As in a multi-line text box, Tab moves on to the next control.
    Text3->setTabChangesFocus(true);

    Frame2 = new FrameBox(QStringLiteral("处理状态"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(tw(120, 4440, 4215, 1335));
    Label3 = label(Frame2, "Label3", QString(), tw(840, 480, 1575, 735));
    Label3->setFont(songti(15.75));
    Label4 = label(Frame2, "Label4", QString(), tw(2400, 480, 1455, 735));
    Label4->setFont(songti(15.75));

    Check1 = new QCheckBox(QStringLiteral("生成错误报告 "), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    // Clear of the status frame's corner, lined up with the start button below it.
    Check1->setGeometry(tw(4800, 4320, 1575, 375));
    Check1->setChecked(false);

    Command3 = button(this, "Command3", QStringLiteral("生成文件"), tw(4800, 4800, 1335, 495));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));

    // Labels and frames take no focus; the rest follow the form's order.
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Check1);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });

    Form_Load();
}

curl::~curl() = default;

void curl::Form_Load()
{
    guard(this, [this] {
        const std::string value =
            morvik::recordvalue(morvik::dbrecord(morvik::dbpath(), kKey, false));
        if (characters(value) > 2) {
            // A store that holds fewer fields leaves the missing boxes empty.
            std::vector<std::string> fields = split(value, kSeparator);
            fields.resize(std::max<std::size_t>(fields.size(), 3));
            Text1->setpath(pathfromstored(morvik::urlgen::trimblanks(fields[0])));
            Text2->setpath(pathfromstored(morvik::urlgen::trimblanks(fields[1])));
            settemplatetext(morvik::urlgen::trimblanks(collapseblanklines(fields[2])));
        }
    });
    Timer1->setInterval(1000);
    Timer1->stop();
    Timer2->setInterval(200);
    Timer2->stop();
    // Ctrl+Z undoes the newest shortcut run.
    addundoshortcut(this, [] { return std::string("url"); });
    centerwindow(this);
}

void curl::Command1_Click()
{
    guard(this, [this] {
        CommonDialog1.setfilter("文本文件(*.txt)|*.txt");
        CommonDialog1.showopen(this);
        if (!CommonDialog1.filename().empty()) {
            Text1->setpath(CommonDialog1.filename());
        }
    });
}

void curl::Command2_Click()
{
    guard(this, [this] {
        if (dialog::pick(this, Text2->path())) {
            Text2->setpath(chosenfolder());
        }
    });
}

void curl::Command3_Click()
{
    if (m_run.running()) {
        return;
    }
    // The run stays on this thread, paced by the window's timers, and waits in an event
    // loop: the window answers all the while, and its progress offers "取消".
    guard(this, [this] {
        BackgroundRun::runhere(this, ui(this), "URL生成",
                               [this](morvik::Ui& u, morvik::Progress& progress) {
                                   showoutcome(m_run.run(*this, u, &progress), RunKind::Url, u);
                               });
    });
    // A close asked for during the run was put off until the run had unwound.
    if (m_closerequested) {
        m_closerequested = false;
        close();
    }
}

void curl::Timer1_Timer()
{
    guard(this, [this] { m_run.makeurl(); });
    if (!m_run.busy() && m_wait) {
        m_wait->quit();
    }
}

void curl::Timer2_Timer()
{
    Label4->setText(qs(morvik::urlgen::nextmark(ss(Label4->text()))));
}

void curl::setpollinterval(int ms)
{
    Timer1->setInterval(ms);
}

void curl::settimeouts(morvik::platform::HttpTimeouts timeouts)
{
    m_run.settimeouts(timeouts);
}

void curl::closeEvent(QCloseEvent* event)
{
    if (m_run.running()) {
        // The run's handler is still on the stack: stop the transfer now, let the run
        // unwind, and close from there (Command3_Click), so the window is never deleted
        // under its own handler.
        m_closerequested = true;
        m_run.stop();
        if (m_wait) {
            m_wait->quit();
        }
        event->ignore();
        return;
    }
    save();
    event->accept();
    guard(this, [] { showlauncher(); });
}

void curl::save()
{
    const std::string value = storedtext(Text1->path()) + kSeparator + storedtext(Text2->path()) +
                              kSeparator + templatetext();
    // A failed save is reported with the store's path and reason; the window still closes.
    guard(this, [&] { morvik::dbrecord(morvik::dbpath(), kKey, true, value, kNote); });
}

std::string curl::templatetext() const
{
    std::string text = ss(Text3->toPlainText());
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

void curl::settemplatetext(const std::string& text)
{
    // The edit box knows only "\n" as a line end: CR LF and a lone CR both become one.
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            shown += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            shown += text[i];
        }
    }
    Text3->setPlainText(qs(shown));
}

std::string curl::listfile()
{
    return Text1->path();
}

morvik::UrlSettings curl::settings()
{
    morvik::UrlSettings s;
    s.content = templatetext();
    // An empty box stays empty: the run refuses it, never taking the data folder or the
    // working folder for it.
    s.folder = Text2->path();
    s.report = Check1->isChecked();
    return s;
}

void curl::status(const std::string& text)
{
    Label3->setText(qs(text));
}

void curl::mark(const std::string& text)
{
    Label4->setText(qs(text));
}

void curl::polltimer(bool on)
{
    if (!on) {
        Timer1->stop();
    } else if (!Timer1->isActive()) {
        Timer1->start();
    }
}

void curl::progresstimer(bool on)
{
    if (!on) {
        Timer2->stop();
    } else if (!Timer2->isActive()) {
        Timer2->start();
    }
}

void curl::waitwhilebusy(const morvik::UrlRun& run)
{
    // Sleeps until the next event; the poll timer's step ends the wait.
    QEventLoop wait;
    m_wait = &wait;
    while (run.busy() && !m_closerequested) {
        wait.exec();
    }
    m_wait = nullptr;
}

} // namespace win
