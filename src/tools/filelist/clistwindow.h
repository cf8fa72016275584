// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tools/filelist/listgen.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace win
{

class DriveList;
class FolderList;
class FileList;

// The list window "列表生成": a drive list, folder list and file list kept in step, the
// options and extension filter, and the button that writes filelist.txt.
class clist : public QWidget
{
    Q_OBJECT
public:
    explicit clist(QWidget* parent = nullptr);

    void Drive1_Change();
    void Dir1_Change();
    void Text1_Change();
    void Check1_Click();
    void Check2_Click();
    void Command1_Click();

    QLabel* Label1 = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    QPushButton* Command1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    FileList* File1 = nullptr;

    // The texts of the last generation (folder lines, file lines, the listing).
    morvik::filelist::ListGenerator generator;

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace win
