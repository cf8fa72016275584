// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/appendcwindow.h"

#include "common/dbrecord.h"
#include "platform/syserror.h"
#include "run/ui.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/append/failures.h"
#include "tools/append/insert.h"
#include "tools/append/setappendwindow.h"
#include "ui/backgroundrun.h"
#include "ui/folderpicker.h"
#include "ui/showoutcome.h"
#include "ui/undorun.h"
#include "ui/windows.h"
#include "widgets/controls.h"
#include "widgets/framebox.h"
#include "widgets/pathedit.h"
#include "widgets/qtglue.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include <optional>

namespace win
{

namespace
{

const QString kFileTab = QStringLiteral("批量追加文件");
const QString kContentTab = QStringLiteral("批量追加内容");

QPushButton* button(QWidget* parent, const char* name, const char* caption, const QRect& rect)
{
    return place(new QPushButton(qs(caption), parent), name, rect);
}

QLabel* label(QWidget* parent, const char* name, const char* caption, const QRect& rect)
{
    return place(new QLabel(qs(caption), parent), name, rect);
}

// A stored setting, or nothing when it is not stored or the store cannot be read: the
// window then shows its defaults.
std::optional<std::string> stored(const std::string& key)
{
    try {
        const std::string record = morvik::dbrecord(morvik::dbpath(), key, false);
        if (record.empty()) {
            return std::nullopt;
        }
        return morvik::recordvalue(record);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Loading goes on past any step that fails, without a word.
template <class F> void quietly(F&& step)
{
    try {
        step();
    } catch (const std::exception&) {
    }
}

std::string replaceall(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

} // namespace

appendc::appendc(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(qs("内容追加 - Morvik"));
    setFont(songti(9));
    setFixedSize(px(6525), px(4020));

    TabStrip1 = place(new QTabBar(this), "TabStrip1", tw(0, 0, 6495, 3975));
    TabStrip1->setDrawBase(true);
    TabStrip1->addTab(kFileTab);
    TabStrip1->addTab(kContentTab);

    Frame1 = place(new QFrame(this), "Frame1", tw(120, 360, 6255, 3495));
    Frame2 = place(new QFrame(this), "Frame2", tw(120, 360, 6255, 3495));
    for (QFrame* frame : {Frame1, Frame2}) {
        frame->setFrameShape(QFrame::StyledPanel);
        frame->raise();
    }

    Label3 = label(Frame1, "Label3", "源文件夹：", tw(120, 240, 4095, 375));
    Label4 = label(Frame1, "Label4", "目标文件夹：", tw(120, 600, 4095, 375));
    File1 = place(new FileList(Frame1), "File1", tw(120, 960, 4215, 2250));
    Command4 = button(Frame1, "Command4", "追加文件", tw(4560, 360, 1455, 375));
    Command1 = button(Frame1, "Command1", "设 置", tw(4560, 1080, 1455, 375));
    Command2 = button(Frame1, "Command2", "添 加", tw(4560, 1560, 1455, 375));
    Command3 = button(Frame1, "Command3", "删 除", tw(4560, 2040, 1455, 375));
    Command8 = button(Frame1, "Command8", "刷 新", tw(4560, 2520, 1455, 375));

    Label1 = label(Frame2, "Label1", "内容文件：", tw(120, 360, 975, 375));
    Text1 = place(new PathEdit(Frame2), "Text1", tw(1200, 240, 3975, 375));
    Command5 = button(Frame2, "Command5", "浏 览", tw(5280, 240, 855, 375));
    Label2 = label(Frame2, "Label2", "目标文件夹：", tw(120, 840, 1095, 375));
    Text2 = place(new PathEdit(Frame2), "Text2", tw(1200, 720, 3975, 375));
    Command6 = button(Frame2, "Command6", "浏 览", tw(5280, 720, 855, 375));
    Frame3 = place(new FrameBox(qs("目标文件"), Frame2), "Frame3", tw(120, 1200, 2175, 1815));
    List1 = place(new QListWidget(Frame3), "List1", tw(120, 240, 1935, 960));
    Command9 = button(Frame3, "Command9", "添 加", tw(120, 1320, 855, 375));
    Command10 = button(Frame3, "Command10", "删 除", tw(1080, 1320, 855, 375));
    Frame4 = place(new FrameBox(qs("指定位置"), Frame2), "Frame4", tw(2400, 1200, 2295, 1815));
    Text3 = place(new QPlainTextEdit(Frame4), "Text3", tw(120, 240, 2055, 1455));
    Command11 = button(Frame2, "Command11", "保存设置", tw(4920, 1320, 1215, 495));
    Command7 = button(Frame2, "Command7", "追加内容", tw(4920, 1920, 1215, 495));
    Option2 = place(new QRadioButton(qs("当前及下级文件夹中的文件"), Frame2), "Option2",
                    tw(120, 3000, 2535, 375));
    Option1 = place(new QRadioButton(qs("当前文件夹中的文件"), Frame2), "Option1",
                    tw(2640, 3000, 2055, 375));
    Option3 =
        place(new QRadioButton(qs("所有文件夹"), Frame2), "Option3", tw(4800, 3000, 1335, 375));
    Option2->setChecked(true);

    connect(TabStrip1, &QTabBar::currentChanged, this, [this] { TabStrip1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });
    // Ctrl+Z undoes the newest run of the tab on top: copies, or content insertions.
    addundoshortcut(this, [this] {
        return std::string(TabStrip1->tabText(TabStrip1->currentIndex()) == kFileTab ? "copy"
                                                                                     : "insert");
    });

    Form_Load();
}

void appendc::Form_Load()
{
    Frame1->setVisible(true);
    Frame2->setVisible(false);

    quietly([&] { setsource("源文件夹:", filetabfolder("addfile")); });
    quietly([&] { settarget("目标文件夹：", filetabfolder("addtofolder")); });
    quietly([&] {
        if (const auto types = stored("appendtype")) {
            filltypes(morvik::append::splittypes(*types));
        }
    });
    quietly([&] {
        if (const auto position = stored("c_pst")) {
            setlocator(*position);
        }
    });
    quietly([&] {
        if (const auto content = stored("s_file")) {
            Text1->setpath(pathfromstored(*content));
        }
    });
    quietly([&] {
        if (const auto folder = stored("d_folder")) {
            Text2->setpath(pathfromstored(*folder));
        }
    });
    quietly([&] {
        switch (morvik::append::scopefromkey(stored("folderoption").value_or(""))) {
        case morvik::append::Scope::Cur:
            Option1->setChecked(true);
            break;
        case morvik::append::Scope::CurrSub:
            Option2->setChecked(true);
            break;
        case morvik::append::Scope::All:
            Option3->setChecked(true);
            break;
        case morvik::append::Scope::None:
            break;
        }
    });
    locatorrejected = false;
    centerwindow(this);
}

void appendc::TabStrip1_Click()
{
    const QString caption = TabStrip1->tabText(TabStrip1->currentIndex());
    if (caption == kFileTab) {
        Frame1->setVisible(true);
        Frame2->setVisible(false);
    } else if (caption == kContentTab) {
        Frame1->setVisible(false);
        Frame2->setVisible(true);
    }
}

void appendc::Command1_Click()
{
    guard(this, [&] {
        auto* settings = instance<setappend>();
        settings->exec();
    });
}

void appendc::Command2_Click()
{
    guard(this, [&] {
        CommonDialog1.showopen(this);
        // A cancelled dialog keeps its previous file, which may be the content file
        // browsed for with Command5: only a file chosen now is copied.
        if (!CommonDialog1.accepted() || CommonDialog1.filename().empty()) {
            return;
        }
        if (File1->path().empty()) {
            ui(this).msgbox("请指定源文件夹", "设置错误", morvik::Icon::Critical);
            ui(this).focus("Command1");
            return;
        }
        morvik::append::addsourcefile(CommonDialog1.filename(), File1->path(), ui(this));
        File1->refresh();
    });
}

void appendc::Command3_Click()
{
    guard(this, [&] {
        const int index = File1->listindex();
        const std::string name = index < 0 ? std::string() : File1->list(index);
        morvik::append::deletesourcefile(File1->path(), name, ui(this));
        if (!name.empty()) {
            File1->refresh();
        }
    });
}

void appendc::Command4_Click()
{
    guard(this, [&] {
        std::vector<std::string> names;
        for (int i = 0; i < File1->listcount(); ++i) {
            names.push_back(File1->list(i));
        }
        const std::string source = File1->path();
        const std::string target = m_target;
        BackgroundRun::run(
            this, ui(this), "文件追加", [&](morvik::Ui& u, morvik::Progress& progress) {
                showoutcome(morvik::append::copyrun(source, names, target, u, &progress),
                            RunKind::Copy, u);
            });
    });
}

void appendc::Command5_Click()
{
    guard(this, [&] {
        CommonDialog1.showopen(this);
        if (!CommonDialog1.filename().empty()) {
            Text1->setpath(CommonDialog1.filename());
        }
    });
}

void appendc::Command6_Click()
{
    guard(this, [&] {
        if (dialog::pick(this, Text2->path())) {
            Text2->setpath(chosenfolder());
        }
    });
}

void appendc::Command7_Click()
{
    guard(this, [&] {
        morvik::append::ContentSettings settings;
        settings.contentfile = Text1->path();
        settings.targetfolder = Text2->path();
        settings.position = locator();
        settings.types = types();
        settings.scope = Option1->isChecked()   ? morvik::append::Scope::Cur
                         : Option2->isChecked() ? morvik::append::Scope::CurrSub
                         : Option3->isChecked() ? morvik::append::Scope::All
                                                : morvik::append::Scope::None;
        BackgroundRun::run(
            this, ui(this), "追加内容", [&](morvik::Ui& u, morvik::Progress& progress) {
                const morvik::Outcome outcome = morvik::append::contentrun(settings, u, &progress);
                locatorrejected =
                    outcome.refusal && outcome.refusal->field == morvik::append::kPositionField;
                showoutcome(outcome, RunKind::Content, u);
            });
    });
}

void appendc::Command8_Click()
{
    guard(this, [&] { File1->refresh(); });
}

void appendc::Command9_Click()
{
    guard(this, [&] {
        auto list = types();
        if (morvik::append::addtype(list, ui(this))) {
            filltypes(list);
        }
    });
}

void appendc::Command10_Click()
{
    guard(this, [&] {
        const auto selected = List1->selectedItems();
        const int index = selected.isEmpty() ? -1 : List1->row(selected.first());
        auto list = types();
        if (morvik::append::deletetype(list, index, ui(this))) {
            filltypes(list);
        }
    });
}

void appendc::Command11_Click()
{
    guard(this, [&] {
        const std::string option = Option1->isChecked()   ? "cur"
                                   : Option2->isChecked() ? "currsub"
                                   : Option3->isChecked() ? "all"
                                                          : "";
        try {
            const std::string db = morvik::dbpath();
            morvik::dbrecord(db, "c_pst", true, locator(), "追加内容在位置中的位置");
            morvik::dbrecord(db, "s_file", true, storedtext(Text1->path()), "内容所在的源文件");
            morvik::dbrecord(db, "d_folder", true, storedtext(Text2->path()),
                             "追加文件所在的目标文件夹");
            morvik::dbrecord(db, "folderoption", true, option, "追加文件所在的目标文件夹选项设置");
        } catch (const morvik::platform::SysError& e) {
            ui(this).msgbox(morvik::append::savefailuretext(morvik::dbpath(), e.reason()),
                            "保存设置", morvik::Icon::Critical);
            return;
        }
        ui(this).msgbox("保存成功！", "保存设置", morvik::Icon::None);
    });
}

bool appendc::appendtofile(const std::string& filename, const std::string& src,
                           const std::string& position)
{
    return morvik::append::appendtofile(filename, src, position, locatorrejected, ui(this));
}

morvik::MatchList appendc::thelist(const std::string& folderpath, const std::string& filetype,
                                   bool includesubfolders, std::int16_t depth)
{
    return morvik::append::thelist(folderpath, filetype, includesubfolders, depth);
}

void appendc::setsource(const std::string& caption, const std::string& folder)
{
    if (folder.empty()) {
        File1->clearpath();
    } else {
        File1->setpath(folder);
    }
    Label3->setText(qs(caption) + pathtext(folder));
}

void appendc::settarget(const std::string& caption, const std::string& folder)
{
    m_target = folder;
    Label4->setText(qs(caption) + pathtext(folder));
}

std::string appendc::locator() const
{
    // The platform's multi-line text box hands out CR LF line breaks; markers that span
    // lines are matched against text whose lines end in CR LF.
    return replaceall(ss(Text3->toPlainText()), "\n", "\r\n");
}

void appendc::setlocator(const std::string& text)
{
    Text3->setPlainText(qs(replaceall(text, "\r\n", "\n")));
}

std::vector<std::string> appendc::types() const
{
    std::vector<std::string> list;
    for (int i = 0; i < List1->count(); ++i) {
        list.push_back(ss(List1->item(i)->text()));
    }
    return list;
}

void appendc::filltypes(const std::vector<std::string>& types)
{
    List1->clear();
    for (const auto& type : types) {
        List1->addItem(qs(type));
    }
}

void appendc::closeEvent(QCloseEvent* event)
{
    if (BackgroundRun::deferclose(this, event)) {
        return;
    }
    showlauncher();
    QWidget::closeEvent(event);
}

} // namespace win
