// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <string>

class QPushButton;
class QTableWidget;

namespace win
{

// The window "运行记录 - Morvik": the runs that changed files, newest first (time, tool,
// folder, files, space their journal holds, whether they can be undone), with "撤销" for
// the selected run and "清除" to drop its journal. The table is read afresh after each
// action and whenever the window becomes active.
class runhistory : public QWidget
{
    Q_OBJECT
public:
    explicit runhistory(QWidget* parent = nullptr);

    void Command1_Click(); // undo the selected run
    void Command2_Click(); // purge the selected run
    void refresh();

    // The run of the selected row, or "" when none is selected.
    std::string selectedid() const;

    QTableWidget* Table1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void selectionchanged();
};

} // namespace win
