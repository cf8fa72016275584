// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <functional>
#include <string>

class QApplication;
class QWidget;

namespace morvik
{
class Ui;
}

// Small pieces every window uses: text conversion at the boundary, twips, fonts,
// placement, the error boundary of a handler and the Ui of a window.
namespace win
{

// UTF-8 text (paths included) to a QString for display; escaped bytes show as U+FFFD.
QString qs(const std::string& utf8);
// A QString back to UTF-8 text.
std::string ss(const QString& text);

// Twips to pixels (15 twips to a pixel).
constexpr int px(int twips)
{
    return twips / 15;
}
inline QRect tw(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// Names a control (its objectName, by which tests and focus requests find it) and puts
// it at its place in its parent.
template <class W> W* place(W* widget, const QString& name, const QRect& rect)
{
    widget->setObjectName(name);
    widget->setGeometry(rect);
    return widget;
}
template <class W> W* place(W* widget, const char* name, const QRect& rect)
{
    return place(widget, QString::fromLatin1(name), rect);
}

// "宋体" and "微软雅黑" mapped to families that exist on Linux (SimSun first, then Noto
// CJK SC, then WenQuanYi), so Chinese text never falls back to Japanese glyphs.
QFont songti(double pointsize);
QFont yahei(double pointsize, bool bold = false);

// Centres a top-level window on the primary screen's full size, frame included. Called
// once, when a window is created; a frame that is not known yet is allowed for when the
// window is first shown.
void centerwindow(QWidget* window);

// The Ui through which a window's handlers and engines talk to the user: message boxes
// and input boxes parented to the window. Tests replace it for every window at once.
morvik::Ui& ui(QWidget* window);
void setuifortesting(morvik::Ui* ui); // nullptr restores the real boxes

// Runs a handler's body; an error it does not trap is shown in a message box with its
// text and the title "Ruvo", and the window stays usable. Returns false on an error.
bool guard(QWidget* window, const std::function<void()>& body);

// Application-wide set-up shared by main() and the window tests: Qt's Chinese
// translation for the standard buttons, the "宋体" family list as the 9-point
// application font, the application name.
void setupapplication(QApplication& app);

} // namespace win
