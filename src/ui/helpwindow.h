// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <string>

class QLabel;
class QPlainTextEdit;

namespace win
{

// The help text: 27 lines, each followed by CR LF (UTF-8 here; GBK on the old system).
const std::string& helptext();

// The help window "使用帮助 - Morvik": a title and the read-only help text. Closing it
// shows the launcher, whichever window opened it.
class help : public QWidget
{
    Q_OBJECT
public:
    explicit help(QWidget* parent = nullptr);

    void Form_Load();
    void Form_Unload();

    QLabel* Label1 = nullptr;
    QPlainTextEdit* Text1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace win
