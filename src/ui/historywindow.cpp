// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/historywindow.h"

#include "platform/fs/journal.h"
#include "run/ui.h"
#include "ui/backgroundrun.h"
#include "ui/undorun.h"
#include "widgets/qtglue.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include <vector>

namespace win
{

namespace
{

enum Column { Time, Tool, Folder, Files, Space, Undoable, Columns };

const char* const kPurgeTitle = "清除";

QTableWidgetItem* cell(const std::string& text, Qt::Alignment align = Qt::AlignLeft)
{
    auto* item = new QTableWidgetItem(qs(text));
    item->setTextAlignment(align | Qt::AlignVCenter);
    return item;
}

// The run of an id as the history has it now; throws when it has gone meanwhile.
morvik::platform::RunRecord findrun(const std::string& id)
{
    for (auto& run : morvik::platform::history()) {
        if (run.id == id) {
            return run;
        }
    }
    throw std::runtime_error("运行记录 " + id + " 已不存在。");
}

} // namespace

runhistory::runhistory(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("runhistory"));
    setWindowTitle(QStringLiteral("运行记录 - Morvik"));
    setFont(songti(9));
    setFixedSize(px(9015), px(4365));

    Table1 = place(new QTableWidget(0, Columns, this), "Table1", tw(120, 120, 8775, 3600));
    Table1->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("工具"),
                                       QStringLiteral("文件夹"), QStringLiteral("文件数"),
                                       QStringLiteral("占用空间"), QStringLiteral("可撤销")});
    Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table1->setSelectionMode(QAbstractItemView::SingleSelection);
    Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1->verticalHeader()->setVisible(false);
    Table1->setWordWrap(false);
    QHeaderView* header = Table1->horizontalHeader();
    header->setHighlightSections(false);
    const int widths[Columns] = {130, 90, 0, 50, 70, 50};
    for (int column = 0; column < Columns; ++column) {
        if (column == Folder) {
            header->setSectionResizeMode(column, QHeaderView::Stretch);
        } else {
            header->resizeSection(column, widths[column]);
        }
    }

    Command1 = place(new QPushButton(QStringLiteral("撤 销"), this), "Command1",
                     tw(6360, 3840, 1215, 375));
    Command2 = place(new QPushButton(QStringLiteral("清 除"), this), "Command2",
                     tw(7680, 3840, 1215, 375));

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Table1, &QTableWidget::itemSelectionChanged, this, [this] { selectionchanged(); });

    refresh();
    centerwindow(this);
}

void runhistory::refresh()
{
    const std::string selected = selectedid();
    std::vector<morvik::platform::RunRecord> runs;
    guard(this, [&] { runs = morvik::platform::history(); });
    Table1->clearContents();
    Table1->setRowCount(static_cast<int>(runs.size()));
    int row = 0;
    for (auto it = runs.rbegin(); it != runs.rend(); ++it, ++row) {
        auto* time = cell(it->time);
        time->setData(Qt::UserRole, qs(it->id));
        Table1->setItem(row, Time, time);
        Table1->setItem(row, Tool, cell(toolcaption(it->tool)));
        auto* folder = cell(it->folder);
        folder->setToolTip(qs(it->folder));
        Table1->setItem(row, Folder, folder);
        Table1->setItem(row, Files, cell(std::to_string(it->files), Qt::AlignRight));
        Table1->setItem(row, Space, cell(sizetext(it->bytes), Qt::AlignRight));
        Table1->setItem(row, Undoable, cell(it->undoable ? "是" : "否", Qt::AlignCenter));
        if (it->id == selected) {
            Table1->selectRow(row);
        }
    }
    selectionchanged();
}

std::string runhistory::selectedid() const
{
    const auto rows = Table1->selectionModel()->selectedRows(Time);
    if (rows.isEmpty()) {
        return {};
    }
    return ss(rows.first().data(Qt::UserRole).toString());
}

void runhistory::selectionchanged()
{
    const auto rows = Table1->selectionModel()->selectedRows(Undoable);
    const bool any = !rows.isEmpty();
    Command1->setEnabled(any && rows.first().data().toString() == QStringLiteral("是"));
    Command2->setEnabled(any);
}

void runhistory::Command1_Click()
{
    guard(this, [this] {
        const std::string id = selectedid();
        if (!id.empty()) {
            undorun(this, findrun(id));
        }
    });
    refresh();
}

void runhistory::Command2_Click()
{
    guard(this, [this] {
        const std::string id = selectedid();
        if (id.empty()) {
            return;
        }
        const morvik::platform::RunRecord run = findrun(id);
        morvik::Ui& u = ui(this);
        if (BackgroundRun::anyrunning()) {
            u.msgbox("另一个运行尚未结束，请等它结束后再清除。", kPurgeTitle,
                     morvik::Icon::Warning);
            return;
        }
        const std::string question = "清除 " + run.time + " 在 " + run.folder + " 中的" +
                                     toolcaption(run.tool) + "（" + std::to_string(run.files) +
                                     " 个文件）的运行记录？清除后它将无法撤销" +
                                     (run.tool == "delete" ? "，删除的文件也不再保留。" : "。");
        if (u.msgbox(question, kPurgeTitle, morvik::Icon::Warning,
                     morvik::Buttons::YesNoDefaultNo) != morvik::Answer::Yes) {
            return;
        }
        // A journal of many files takes a while to remove.
        BackgroundRun::runbusy(this, u, kPurgeTitle, [&](morvik::Ui&, morvik::Progress& progress) {
            progress.setfolder(run.journal);
            morvik::platform::purge(run.id);
        });
    });
    refresh();
}

bool runhistory::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // Runs of the tool windows may have come and gone while this window was behind them.
    if (event->type() == QEvent::WindowActivate && !BackgroundRun::running(this)) {
        refresh();
    }
    return handled;
}

void runhistory::closeEvent(QCloseEvent* event)
{
    if (BackgroundRun::deferclose(this, event)) {
        return;
    }
    event->accept();
}

} // namespace win
