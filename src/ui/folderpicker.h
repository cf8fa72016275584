// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace win
{

class DriveList;
class FolderList;

// The program-wide folder chosen in the folder picker: empty at start, set only by
// "确定", always ending in exactly one "/".
std::string& chosenfolder();

// The folder picker "选择文件夹": a modal dialog with a drive list and a folder list.
class dialog : public QDialog
{
    Q_OBJECT
public:
    // The folder list opens on `start` (a box's folder) when it names a folder that can be
    // read, else as startfolder() says.
    explicit dialog(QWidget* parent = nullptr, const std::string& start = {});

    // Shows a new picker modally, opened on `start`, and returns when it has closed:
    // true when a folder was confirmed (then in chosenfolder()), false after "取消" or
    // the close box, which leave everything as it was.
    static bool pick(QWidget* parent, const std::string& start = {});

    // Tests answer the next pick() calls from this queue instead of showing the dialog:
    // a folder confirms it (as "确定" would), nullopt cancels.
    static void queueanswerfortesting(std::optional<std::string> folder);

    void Form_Load();
    void Drive1_Change();
    void Command1_Click(); // 确定
    void Command2_Click(); // 取消

    QLabel* Label1 = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};

} // namespace win
