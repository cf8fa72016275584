// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QWidget>

#include <functional>
#include <string>

namespace win
{

class WebStrip;
enum class Tool;

// A picture used as a button: mouse down and up of any mouse button, and a click
// (the left button released over it).
class PictureBox : public QLabel
{
public:
    using QLabel::QLabel;

    std::function<void()> mousedown;
    std::function<void()> mouseup;
    std::function<void()> click;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A label used as a link: a click with the left button.
class LinkLabel : public QLabel
{
public:
    using QLabel::QLabel;

    std::function<void()> click;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The launcher "Morvik v1.1": five picture buttons that open the tools, a strip with a
// page of the project's site, a link to its home page and one to the run history.
class main : public QWidget
{
    Q_OBJECT
public:
    explicit main(QWidget* parent = nullptr);

    void Form_Initialize();
    void Form_Load();

    void Picture1_MouseDown();
    void Picture2_MouseDown();
    void Picture3_MouseDown();
    void Picture4_MouseDown();
    void Picture5_MouseDown();
    void Picture1_MouseUp();
    void Picture2_MouseUp();
    void Picture3_MouseUp();
    void Picture4_MouseUp();
    void Picture5_MouseUp();
    void Picture1_Click();
    void Picture2_Click();
    void Picture3_Click();
    void Picture4_Click();
    void Picture5_Click();
    void Label2_Click();
    void Label3_Click(); // the run history

    // True from the moment the launcher starts closing: windows closed along with it
    // must not show it again.
    bool closing() const { return m_closing; }

    // The address the strip of the next launcher fetches (the project's page by
    // default; empty fetches nothing). Tests point it at a server of their own.
    static void setstripaddressfortesting(const std::string& address);

    QLabel* Image1 = nullptr;
    WebStrip* Scriptlet1 = nullptr;
    PictureBox* Picture1 = nullptr;
    PictureBox* Picture2 = nullptr;
    PictureBox* Picture3 = nullptr;
    PictureBox* Picture4 = nullptr;
    PictureBox* Picture5 = nullptr;
    LinkLabel* Label2 = nullptr;
    LinkLabel* Label3 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PictureBox* makebutton(const char* name, int left);
    LinkLabel* makelink(const char* name, const QRect& rect);
    void showbitmap(QLabel* picture, const char* relative);
    void opentool(Tool tool);

    bool m_closing = false;
};

// Reads a picture from the application's resources ("ico/list1.bmp"), from disk each
// time. Throws std::runtime_error naming the file and the reason when it cannot.
QPixmap loadpicture(const std::string& relative);

// Makes the tools' showlauncher() show this launcher, created when needed.
void registerlauncher();

} // namespace win
