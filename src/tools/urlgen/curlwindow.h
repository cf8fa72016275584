// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/commondialog.h"
#include "widgets/pathedit.h"
#include "tools/urlgen/urlrun.h"

#include <QWidget>

#include <string>

class QCheckBox;
class QEventLoop;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace win
{

// The URL shortcut window "批量生成URL文件 - Morvik": the list file, the output folder,
// the template and the report option, and the run's progress. Its three texts are kept
// in the settings store under "CURL".
class curl : public QWidget, private morvik::UrlHost
{
    Q_OBJECT
public:
    explicit curl(QWidget* parent = nullptr);
    ~curl() override;

    void Form_Load();
    void Command1_Click(); // chooses the list file
    void Command2_Click(); // chooses the output folder
    void Command3_Click(); // runs; does nothing while a run is going
    void Timer1_Timer();   // the poll step of the run
    void Timer2_Timer();   // the progress mark

    // The poll tick is 1000 ms; tests make it shorter, and the transfer's timeouts too.
    void setpollinterval(int ms);
    void settimeouts(morvik::platform::HttpTimeouts timeouts);
    bool running() const { return m_run.running(); }

    QLabel* Label1 = nullptr;
    PathEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label2 = nullptr;
    PathEdit* Text2 = nullptr;
    QPushButton* Command2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPlainTextEdit* Text3 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* Command3 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    CommonDialog CommonDialog1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The run's view of the window.
    std::string listfile() override;
    morvik::UrlSettings settings() override;
    void status(const std::string& text) override;
    void mark(const std::string& text) override;
    void polltimer(bool on) override;
    void progresstimer(bool on) override;
    void waitwhilebusy(const morvik::UrlRun& run) override;

    // Text3 with CR LF line ends, as it is saved and written into the shortcuts.
    std::string templatetext() const;
    void settemplatetext(const std::string& text);
    void save();

    morvik::UrlRun m_run;
    QEventLoop* m_wait = nullptr; // the loop the run waits in, while it waits
    bool m_closerequested = false;
};

} // namespace win
