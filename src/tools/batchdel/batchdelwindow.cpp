// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batchdel/batchdelwindow.h"

#include "run/ui.h"
#include "ui/backgroundrun.h"
#include "ui/helpwindow.h"
#include "ui/showoutcome.h"
#include "ui/undorun.h"
#include "ui/windows.h"
#include "widgets/controls.h"
#include "widgets/framebox.h"
#include "widgets/pathedit.h"
#include "widgets/qtglue.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace win
{

namespace
{

template <class W> W* make(QWidget* parent, const char* name, const QRect& where)
{
    return place(new W(parent), name, where);
}

template <class W>
W* make(QWidget* parent, const char* name, const QRect& where, const char* caption)
{
    auto* w = make<W>(parent, name, where);
    w->setText(QString::fromUtf8(caption));
    return w;
}

QGroupBox* frame(QWidget* parent, const char* name, const QRect& where, const char* caption)
{
    return place(new FrameBox(QString::fromUtf8(caption), parent), name, where);
}

} // namespace

batchdel::batchdel(QWidget* parent) : QWidget(parent), engine(ui(this))
{
    setObjectName(QStringLiteral("batchdel"));
    setWindowTitle(QStringLiteral("文件批量删除 - Morvik"));
    setFixedSize(px(7065), px(4515));

    Frame1 = frame(this, "Frame1", tw(120, 240, 5055, 4215), "文件/路径");
    Label4 = make<QLabel>(Frame1, "Label4", tw(120, 360, 855, 255), "文件名：");
    Text3 = make<QLineEdit>(Frame1, "Text3", tw(960, 240, 3855, 360));
    Label1 = make<QLabel>(Frame1, "Label1", tw(120, 840, 855, 255), "文件列表：");
    Text1 = make<PathEdit>(Frame1, "Text1", tw(960, 720, 2775, 360));
    Command2 = make<QPushButton>(Frame1, "Command2", tw(3840, 720, 975, 350), "浏览...");
    Option3 =
        make<QRadioButton>(Frame1, "Option3", tw(120, 1200, 2415, 255), "为文件指定所在的目录");
    Option1 =
        make<QRadioButton>(Frame1, "Option1", tw(120, 1560, 2415, 255), "为列表指定文件所在目录");
    Option2 =
        make<QRadioButton>(Frame1, "Option2", tw(2640, 1560, 2295, 255), "列表文件名中含路径");
    Label2 = make<QLabel>(Frame1, "Label2", tw(120, 1920, 735, 255), "驱动器：");
    Drive1 = make<DriveList>(Frame1, "Drive1", tw(840, 1920, 4095, 300));
    Dir1 = make<FolderList>(Frame1, "Dir1", tw(120, 2280, 4815, 1770));

    Command1 = make<QPushButton>(this, "Command1", tw(5280, 360, 1575, 400), "批量删除");
    Command3 = make<QPushButton>(this, "Command3", tw(5280, 840, 1575, 400), "帮 助");
    Frame3 = frame(this, "Frame3", tw(5280, 1440, 1695, 1455), "设 置");
    Check2 = make<QCheckBox>(Frame3, "Check2", tw(120, 360, 1455, 255), "扫描子文件夹");
    Check3 = make<QCheckBox>(Frame3, "Check3", tw(120, 600, 1455, 255), "生成错误报告");
    File1 = make<FileList>(Frame3, "File1", tw(120, 960, 1455, 375));
    Frame2 = frame(this, "Frame2", tw(5280, 3000, 1695, 1455), "特别说明");
    // Taller than 975 twips so that the fourth line of the CJK font is not cut off.
    Label3 = make<QLabel>(Frame2, "Label3", tw(120, 360, 1455, 1080),
                          "手动指定文件夹时，务必双击，使选中的文件夹显示为打开状态。");
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Text3->setFont(songti(9));
    Text1->setFont(songti(9));
    Option3->setChecked(true);
    Text1->setEnabled(false);
    Command2->setEnabled(false);
    Check2->setChecked(false);
    Check3->setChecked(true);
    File1->setVisible(false);

    Form_Load();

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Option1, &QRadioButton::clicked, this, [this] { Option1_Click(); });
    connect(Option2, &QRadioButton::clicked, this, [this] { Option2_Click(); });
    connect(Option3, &QRadioButton::clicked, this, [this] { Option3_Click(); });
    connect(Dir1, &FolderList::changed, this, [this] { Dir1_Change(); });
    connect(Drive1, &DriveList::changed, this, [this] { Drive1_Change(); });
    // Ctrl+Z undoes the newest deletion run.
    addundoshortcut(this, [] { return std::string("delete"); });
}

void batchdel::Form_Load()
{
    guard(this, [this] {
        // The working folder stands in for the current folder of the current drive.
        const std::string start = startfolder();
        try {
            Dir1->setpath(start);
        } catch (const std::exception&) {
            Dir1->setpath("/");
        }
        Drive1->selectdrivefor(Dir1->path());
        File1->setpath(Dir1->path());
    });
    centerwindow(this);
}

void batchdel::Form_Activate()
{
    if (Text3->isEnabled()) {
        ui(this).focus("Text3");
    }
}

void batchdel::Form_Unload()
{
    showlauncher();
}

bool batchdel::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return handled;
}

void batchdel::closeEvent(QCloseEvent* event)
{
    if (BackgroundRun::deferclose(this, event)) {
        return;
    }
    Form_Unload();
    event->accept();
}

void batchdel::Command1_Click()
{
    guard(this, [this] {
        morvik::Ui& u = ui(this);
        if (u.msgbox("真的要执行此操作吗？", "操作警告", morvik::Icon::Warning,
                     morvik::Buttons::YesNoDefaultNo) != morvik::Answer::Yes) {
            return;
        }
        morvik::batchdel::Inputs in;
        in.name = ss(Text3->text());
        in.listpath = Text1->path();
        in.folder = Dir1->path();
        in.mode = Option1->isChecked()   ? morvik::batchdel::Mode::ListInFolder
                  : Option2->isChecked() ? morvik::batchdel::Mode::ListOfFullPaths
                                         : morvik::batchdel::Mode::NameBox;
        in.scan = Check2->isChecked();
        in.report = Check3->isChecked();
        in.nameboxenabled = Text3->isEnabled();
        BackgroundRun::run(this, u, "删除操作",
                           [&](morvik::Ui& threadui, morvik::Progress& progress) {
                               engine.setui(threadui);
                               engine.setprogress(&progress);
                               const morvik::Outcome outcome = engine.run(in);
                               engine.setprogress(nullptr);
                               showoutcome(outcome, RunKind::Delete, threadui);
                           });
        engine.setui(u);
    });
}

void batchdel::Command2_Click()
{
    guard(this, [this] {
        CommonDialog1.showopen(this);
        Text1->setpath(CommonDialog1.filename());
    });
}

void batchdel::Command3_Click()
{
    guard(this, [this] {
        hide();
        instance<help>()->show();
    });
}

void batchdel::Dir1_Change()
{
    guard(this, [this] { File1->setpath(Dir1->path()); });
}

void batchdel::Drive1_Change()
{
    // A drive that cannot be opened leaves the folder list where it was.
    try {
        Dir1->setpath(Drive1->drive());
    } catch (...) {
    }
}

void batchdel::setmode(morvik::batchdel::Mode mode)
{
    const bool single = mode == morvik::batchdel::Mode::NameBox;
    Text3->setEnabled(single);
    Text1->setEnabled(!single);
    Command2->setEnabled(!single);
    if (single) {
        Text1->clear();
    } else {
        Text3->clear();
    }
    const bool folders = mode != morvik::batchdel::Mode::ListOfFullPaths;
    Label2->setVisible(folders);
    Drive1->setVisible(folders);
    Dir1->setVisible(folders);
}

void batchdel::Option1_Click()
{
    setmode(morvik::batchdel::Mode::ListInFolder);
}

void batchdel::Option2_Click()
{
    setmode(morvik::batchdel::Mode::ListOfFullPaths);
}

void batchdel::Option3_Click()
{
    if (Option3->isChecked()) {
        setmode(morvik::batchdel::Mode::NameBox);
    }
}

} // namespace win
