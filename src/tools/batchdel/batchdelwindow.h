// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tools/batchdel/batchdelete.h"
#include "widgets/commondialog.h"
#include "widgets/pathedit.h"

#include <QWidget>

#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace win
{

class DriveList;
class FolderList;
class FileList;

// The batch delete window "文件批量删除 - Morvik": a name or pattern, or a list file,
// looked up in the open folder of the folder list; "批量删除" runs the deletion after a
// confirmation.
class batchdel : public QWidget
{
    Q_OBJECT
public:
    explicit batchdel(QWidget* parent = nullptr);

    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Dir1_Change();
    void Drive1_Change();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();

    // The run; it keeps the inputs of the last one.
    morvik::batchdel::BatchDelete engine;

    QGroupBox* Frame1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label1 = nullptr;
    PathEdit* Text1 = nullptr;
    QPushButton* Command2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QLabel* Label2 = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command3 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    FileList* File1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    CommonDialog CommonDialog1;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setmode(morvik::batchdel::Mode mode);
};

} // namespace win
