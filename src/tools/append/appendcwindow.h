// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/findfiles.h"
#include "widgets/commondialog.h"
#include "widgets/pathedit.h"

#include <QWidget>

#include <string>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabBar;

namespace win
{

class FileList;

// The batch append tool: the file tab copies every file of a source folder into every
// direct subfolder of a target folder; the content tab inserts a content file's text
// into files of chosen types under a folder.
class appendc : public QWidget
{
    Q_OBJECT
public:
    explicit appendc(QWidget* parent = nullptr);

    void Form_Load();
    void TabStrip1_Click();
    void Command1_Click();  // settings of the file tab
    void Command2_Click();  // add a source file
    void Command3_Click();  // delete a source file
    void Command4_Click();  // copy run
    void Command5_Click();  // browse for the content file
    void Command6_Click();  // pick the target folder
    void Command7_Click();  // content run
    void Command8_Click();  // refresh the source list
    void Command9_Click();  // add a file type
    void Command10_Click(); // delete a file type
    void Command11_Click(); // save the content tab

    // The insertion into one file and the target list, as the content run uses them.
    bool appendtofile(const std::string& filename, const std::string& src,
                      const std::string& position);
    morvik::MatchList thelist(const std::string& folderpath, const std::string& filetype,
                              bool includesubfolders, std::int16_t depth);

    // Set when a locator was rejected (the documents' zt); every run clears it first.
    bool locatorrejected = false;

    QTabBar* TabStrip1 = nullptr;
    QFrame* Frame1 = nullptr;
    QFrame* Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    FileList* File1 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command8 = nullptr;
    QLabel* Label1 = nullptr;
    PathEdit* Text1 = nullptr;
    QPushButton* Command5 = nullptr;
    QLabel* Label2 = nullptr;
    PathEdit* Text2 = nullptr;
    QPushButton* Command6 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QListWidget* List1 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command10 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QPlainTextEdit* Text3 = nullptr;
    QPushButton* Command11 = nullptr;
    QPushButton* Command7 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option3 = nullptr;
    CommonDialog CommonDialog1;

    // The file tab's folders: the label shows the caption and the folder, File1 shows the
    // source folder's files; an empty folder is none (File1 then shows no folder). The
    // folders' own bytes are kept for the runs, whatever the labels can show.
    void setsource(const std::string& caption, const std::string& folder);
    void settarget(const std::string& caption, const std::string& folder);
    const std::string& targetfolder() const { return m_target; }

    // The locator as the engine sees it: line breaks as CR LF.
    std::string locator() const;
    void setlocator(const std::string& text);
    std::vector<std::string> types() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void filltypes(const std::vector<std::string>& types);
    std::string m_target;
};

} // namespace win
