// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/pathedit.h"

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

namespace win
{

// A folder of the file tab as stored under "addfile" or "addtofolder"; the empty text (no
// folder, the user picks one) when none is stored, when the stored text is empty or when
// it is the bare "/" that an empty box used to be saved as.
std::string filetabfolder(const std::string& key);

// The settings of the file tab of the batch append tool: its source and target folders.
// Modal; saving passes the folders straight to the batch append window.
class setappend : public QDialog
{
    Q_OBJECT
public:
    explicit setappend(QWidget* parent = nullptr);

    void Form_Load();
    void Command1_Click(); // save and close
    void Command2_Click(); // close without saving
    void Command3_Click(); // pick the source folder
    void Command4_Click(); // pick the target folder

    QLabel* Label1 = nullptr;
    PathEdit* Text1 = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label2 = nullptr;
    PathEdit* Text2 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

private:
    // Refuses an empty folder box with a message that names it, and puts the focus there.
    bool filled(const std::string& folder, const std::string& boxname, const char* control);
};

} // namespace win
