// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/folderpicker.h"

#include "widgets/controls.h"
#include "widgets/qtglue.h"
#include "ui/windows.h"

#include <QLabel>
#include <QPushButton>

#include <deque>

namespace win
{

namespace
{

std::deque<std::optional<std::string>>& answers()
{
    static std::deque<std::optional<std::string>> queue;
    return queue;
}

// A folder as the picker hands it back: exactly one trailing "/".
std::string withslash(std::string folder)
{
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    return folder + "/";
}

} // namespace

std::string& chosenfolder()
{
    static std::string folder;
    return folder;
}

dialog::dialog(QWidget* parent, const std::string& start) : QDialog(parent)
{
    setObjectName(QStringLiteral("dialog"));
    setWindowTitle(QStringLiteral("选择文件夹"));
    setFixedSize(px(4680), px(4350));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("驱动器："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(tw(120, 120, 735, 375));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(tw(960, 120, 3615, 300));

    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(tw(120, 600, 4455, 2820));

    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(tw(1080, 3600, 975, 495));

    Command2 = new QPushButton(QStringLiteral("取消"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(tw(2280, 3600, 975, 495));

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Command1);
    setTabOrder(Command1, Command2);

    // Linux keeps no current folder per drive: the list starts at the box's folder, else
    // at the program's working folder (never the system's, see startfolder), else at the
    // root.
    for (const std::string& folder : {start, startfolder(), std::string("/")}) {
        try {
            if (!folder.empty()) {
                Dir1->setpath(folder);
                break;
            }
        } catch (const std::exception&) {
            // An unreadable root leaves the list empty; "确定" then hands back "/".
        }
    }
    Drive1->selectdrivefor(Dir1->path());

    connect(Drive1, &DriveList::changed, this, &dialog::Drive1_Change);
    connect(Command1, &QPushButton::clicked, this, &dialog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &dialog::Command2_Click);

    Form_Load();
}

void dialog::Form_Load()
{
    centerwindow(this);
}

void dialog::Drive1_Change()
{
    // A drive that cannot be read is passed over: the folder list stays where it was.
    try {
        Dir1->setpath(Drive1->drive());
    } catch (const std::exception&) {
    }
}

void dialog::Command1_Click()
{
    const std::string open = Dir1->path().empty() ? std::string("/") : Dir1->path();
    chosenfolder() = open.back() == '/' ? open : open + "/";
    accept();
}

void dialog::Command2_Click()
{
    reject();
}

bool dialog::pick(QWidget* parent, const std::string& start)
{
    auto& queue = answers();
    if (!queue.empty()) {
        const std::optional<std::string> answer = queue.front();
        queue.pop_front();
        if (answer) {
            chosenfolder() = withslash(*answer);
        }
        return answer.has_value();
    }
    dialog picker(parent, start);
    return picker.exec() == QDialog::Accepted;
}

void dialog::queueanswerfortesting(std::optional<std::string> folder)
{
    answers().push_back(std::move(folder));
}

} // namespace win
