// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <optional>
#include <string>

class QWidget;

namespace win
{

// The file-open dialog (Qt's own widget dialog, the same everywhere). Keeps the file
// chosen at its previous showing when the user cancels.
class CommonDialog
{
public:
    // A filter in the form "文本文件(*.txt)|*.txt" (description|pattern); empty for none.
    void setfilter(const std::string& filter) { m_filter = filter; }
    // Shows the dialog modally; returns when a file was chosen or the user cancelled.
    void showopen(QWidget* parent);
    // Full path of the chosen file (the previous choice after a cancel, empty at first).
    const std::string& filename() const { return m_filename; }
    // Whether the last showing ended with a file chosen (false after a cancel), so a
    // caller can tell a file chosen again from one kept from before.
    bool accepted() const { return m_accepted; }
    // The chosen file's name without its folder.
    std::string filetitle() const;

    // Tests answer the next showopen() calls from this queue instead of showing the
    // dialog: a path chooses it, nullopt cancels.
    static void queueanswerfortesting(std::optional<std::string> answer);

    // The filter as the dialog's name filters: each "description|pattern" pair becomes
    // "description (pattern)", patterns separated by ";" become blank-separated; a
    // description that already ends with its patterns in brackets is taken as it is.
    static QStringList namefilters(const std::string& filter);

private:
    std::string m_filter;
    std::string m_filename;
    bool m_accepted = false;
};

} // namespace win
