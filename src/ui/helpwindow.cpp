// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/helpwindow.h"

#include "widgets/qtglue.h"
#include "ui/windows.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>

namespace win
{

help::help(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("help"));
    setWindowTitle(QStringLiteral("使用帮助 - Morvik"));
    setFixedSize(px(11520), px(7650));

    Label1 = new QLabel(QStringLiteral("软件功能说明"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(tw(4800, 480, 2055, 495));
    Label1->setFont(yahei(14.25, true));

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(tw(0, 1200, 11535, 6495));
    Text1->setFont(songti(10.5));
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Reachable by a click, skipped by the Tab key.
    Text1->setFocusPolicy(Qt::ClickFocus);
    Text1->setPlainText(qs(helptext()));

    Form_Load();
}

void help::Form_Load()
{
    centerwindow(this);
}

void help::Form_Unload()
{
    guard(this, [] { showlauncher(); });
}

void help::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

} // namespace win
