// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

#include <string>

// Paths are byte strings and need not be valid UTF-8; a text box holds a QString. These
// helpers carry a path's bytes through a text box and through the settings store.
namespace win
{

// A path as text to show: each component that is not UTF-8 is read as GBK, so a GBK
// folder name reads as its characters; bytes that decode in neither show as U+FFFD.
QString pathtext(const std::string& path);

// A path as a text for the settings store, which writes GBK: a path that is not UTF-8 is
// read as GBK whole, so the store's GBK field holds the path's own bytes.
std::string storedtext(const std::string& path);

// The path a text read back from the store stands for. The store cannot tell a UTF-8
// path from a GBK one (both are written in GBK): the UTF-8 reading is taken unless only
// the GBK bytes name something that exists.
std::string pathfromstored(const std::string& text);

// A text box that carries the bytes of the path it was given (by a picker, a list or the
// store) beside the text it shows, and hands back those bytes until its text changes.
// Text typed into it is a path in UTF-8.
class PathEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit PathEdit(QWidget* parent = nullptr);

    void setpath(const std::string& path);
    std::string path() const;

private:
    std::string m_path;
    QString m_shown;
};

} // namespace win
