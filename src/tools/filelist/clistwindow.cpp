// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/filelist/clistwindow.h"

#include "ui/showoutcome.h"

#include "platform/syserror.h"
#include "run/ui.h"
#include "ui/windows.h"
#include "widgets/controls.h"
#include "widgets/framebox.h"
#include "widgets/qtglue.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace win
{

clist::clist(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("列表生成 - Morvik"));
    setFixedSize(px(7125), px(4140));

    Label1 = place(new QLabel(QStringLiteral("驱动器："), this), QStringLiteral("Label1"),
                   tw(120, 360, 855, 255));
    Drive1 = place(new DriveList(this), QStringLiteral("Drive1"), tw(960, 360, 3135, 300));
    Dir1 = place(new FolderList(this), QStringLiteral("Dir1"), tw(0, 840, 4095, 3240));
    Command1 = place(new QPushButton(QStringLiteral("生成列表 "), this), QStringLiteral("Command1"),
                     tw(5160, 240, 1455, 375));
    Frame1 = place(new FrameBox(QStringLiteral("条 件"), this), QStringLiteral("Frame1"),
                   tw(4200, 840, 2895, 3255));
    Check1 = place(new QCheckBox(QStringLiteral("包含文件夹"), Frame1), QStringLiteral("Check1"),
                   tw(120, 840, 1815, 255));
    Check2 = place(new QCheckBox(QStringLiteral("包含文件"), Frame1), QStringLiteral("Check2"),
                   tw(120, 1200, 1695, 255));
    Label2 = place(new QLabel(QStringLiteral("文件扩展名："), Frame1), QStringLiteral("Label2"),
                   tw(120, 1560, 1335, 375));
    Text1 = place(new QLineEdit(Frame1), QStringLiteral("Text1"), tw(240, 1920, 2055, 270));
    File1 = place(new FileList(Frame1), QStringLiteral("File1"), tw(240, 2280, 2295, 810));
    Check3 = place(new QCheckBox(QStringLiteral("使用绝对路径"), Frame1), QStringLiteral("Check3"),
                   tw(120, 480, 2055, 255));
    Check1->setChecked(true);
    Check2->setChecked(true);

    QWidget* order[] = {Drive1, Dir1, Command1, Check1, Check2, Text1, File1, Check3};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    // The lists start at the working folder (never the system's: see startfolder); one
    // that cannot be read falls back to "/".
    const std::string start = startfolder();
    if (start.empty() || !guard(this, [&] { Dir1->setpath(start); })) {
        guard(this, [&] { Dir1->setpath("/"); });
    }
    Drive1->selectdrivefor(Dir1->path());
    Dir1_Change();

    connect(Drive1, &DriveList::changed, this, &clist::Drive1_Change);
    connect(Dir1, &FolderList::changed, this, &clist::Dir1_Change);
    connect(Text1, &QLineEdit::textChanged, this, &clist::Text1_Change);
    connect(Check1, &QCheckBox::toggled, this, &clist::Check1_Click);
    connect(Check2, &QCheckBox::toggled, this, &clist::Check2_Click);
    connect(Command1, &QPushButton::clicked, this, &clist::Command1_Click);

    centerwindow(this);
}

void clist::Drive1_Change()
{
    guard(this, [this] {
        const std::string drive = Drive1->drive();
        try {
            Dir1->setpath(drive);
        } catch (const morvik::platform::SysError& e) {
            // The folder list keeps its folder; the drive list goes back to match it.
            Drive1->selectdrivefor(Dir1->path());
            ui(this).msgbox("无法读取驱动器 " + drive + "\n原因：" + e.reason(), "列表生成",
                            morvik::Icon::Critical);
        }
    });
}

void clist::Dir1_Change()
{
    guard(this, [this] {
        File1->setpath(Dir1->path());
        if (!Text1->text().isEmpty()) {
            File1->setpattern("*." + ss(Text1->text()));
        }
    });
}

void clist::Text1_Change()
{
    guard(this, [this] {
        const QString text = Text1->text();
        File1->setpattern(text.isEmpty() ? std::string("*.*") : "*." + ss(text));
    });
}

void clist::Check1_Click()
{
    if (!Check1->isChecked()) {
        Check2->setChecked(true);
    }
}

void clist::Check2_Click()
{
    if (!Check2->isChecked()) {
        Check1->setChecked(true);
    }
}

void clist::Command1_Click()
{
    guard(this, [this] {
        const morvik::filelist::ItemList subfolders{[this](int i) { return Dir1->list(i); },
                                                    Dir1->listcount()};
        const morvik::filelist::ItemList files{[this](int i) { return File1->list(i); },
                                               File1->listcount()};
        showoutcome(
            generator.generate(Dir1->path(), subfolders, files,
                               {Check3->isChecked(), Check1->isChecked(), Check2->isChecked()}),
            RunKind::List, ui(this));
    });
}

void clist::closeEvent(QCloseEvent* event)
{
    showlauncher();
    QWidget::closeEvent(event);
}

} // namespace win
