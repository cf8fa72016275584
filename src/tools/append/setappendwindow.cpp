// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/setappendwindow.h"

#include "common/dbrecord.h"
#include "platform/fs/fsobject.h"
#include "widgets/controls.h"
#include "widgets/pathedit.h"
#include "widgets/qtglue.h"
#include "platform/syserror.h"
#include "run/ui.h"
#include "tools/append/appendcwindow.h"
#include "tools/append/failures.h"
#include "ui/folderpicker.h"
#include "ui/windows.h"

#include <QLabel>
#include <QPushButton>

namespace win
{

namespace
{

std::string withslash(const std::string& folder)
{
    return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

constexpr const char* kTitle = "文件追加设置";

} // namespace

std::string filetabfolder(const std::string& key)
{
    try {
        const std::string record = morvik::dbrecord(morvik::dbpath(), key, false);
        if (!record.empty()) {
            const std::string folder = morvik::recordvalue(record);
            return folder == "/" ? std::string() : pathfromstored(folder);
        }
    } catch (const std::exception&) {
        // an unreadable store shows the defaults
    }
    // No stored folder: the box starts empty and the user picks one. The application
    // folder (/usr/bin for an installed copy) is never offered as a working folder.
    return {};
}

setappend::setappend(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(qs(kTitle));
    setFont(songti(9));
    setFixedSize(px(6495), px(2265));
    setModal(true);

    Label1 = place(new QLabel(qs("源文件目录："), this), "Label1", tw(120, 360, 1095, 375));
    Text1 = place(new PathEdit(this), "Text1", tw(1200, 240, 3975, 375));
    Command3 = place(new QPushButton(qs("浏览..."), this), "Command3", tw(5280, 240, 1095, 375));
    Label2 = place(new QLabel(qs("目录文件夹："), this), "Label2", tw(120, 840, 1095, 375));
    Text2 = place(new PathEdit(this), "Text2", tw(1200, 720, 3975, 375));
    Command4 = place(new QPushButton(qs("浏览..."), this), "Command4", tw(5280, 720, 1095, 375));
    Command1 = place(new QPushButton(qs("保存设置"), this), "Command1", tw(1680, 1440, 1215, 495));
    Command2 = place(new QPushButton(qs("取 消"), this), "Command2", tw(3120, 1440, 1215, 495));

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });

    Form_Load();
}

void setappend::Form_Load()
{
    Text1->setpath(filetabfolder("addfile"));
    Text2->setpath(filetabfolder("addtofolder"));
    centerwindow(this);
}

void setappend::Command1_Click()
{
    guard(this, [&] {
        const std::string source = Text1->path();
        const std::string target = Text2->path();
        // An empty box is no folder: saved as "/" it once meant the root.
        if (!filled(source, "源文件目录", "Text1") || !filled(target, "目录文件夹", "Text2")) {
            return;
        }
        // The batch append window copies from the folder its file list shows; a source it
        // cannot show would leave the list on the old folder under the new caption.
        try {
            morvik::platform::getfolder(source);
        } catch (const morvik::platform::SysError& e) {
            ui(this).msgbox("源文件目录无法打开：" + ss(pathtext(source)) + "：" + e.reason(),
                            kTitle, morvik::Icon::Warning);
            ui(this).focus("Text1");
            return;
        }
        try {
            morvik::dbrecord(morvik::dbpath(), "addfile", true, storedtext(withslash(source)), "");
            morvik::dbrecord(morvik::dbpath(), "addtofolder", true, storedtext(withslash(target)),
                             "");
        } catch (const morvik::platform::SysError& e) {
            ui(this).msgbox(morvik::append::savefailuretext(morvik::dbpath(), e.reason()),
                            morvik::kAppTitle, morvik::Icon::Critical);
            return;
        }
        ui(this).msgbox("保存成功", morvik::kAppTitle, morvik::Icon::Information);

        if (appendc* tool = existing<appendc>()) {
            tool->settarget("目标文件夹：", target);
            tool->setsource("源文件夹：", source);
        }
        close();
    });
}

bool setappend::filled(const std::string& folder, const std::string& boxname, const char* control)
{
    if (!folder.empty()) {
        return true;
    }
    ui(this).msgbox("请指定" + boxname, kTitle, morvik::Icon::Critical);
    ui(this).focus(control);
    return false;
}

void setappend::Command2_Click()
{
    close();
}

void setappend::Command3_Click()
{
    guard(this, [&] {
        if (dialog::pick(this, Text1->path())) {
            Text1->setpath(chosenfolder());
        }
    });
}

void setappend::Command4_Click()
{
    guard(this, [&] {
        if (dialog::pick(this, Text2->path())) {
            Text2->setpath(chosenfolder());
        }
    });
}

} // namespace win
