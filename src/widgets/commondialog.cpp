// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/commondialog.h"

#include "platform/fs/pathname.h"
#include "widgets/qtglue.h"

#include <QFileDialog>

#include <deque>

namespace win
{

namespace
{

std::deque<std::optional<std::string>>& answers()
{
    static std::deque<std::optional<std::string>> queue;
    return queue;
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> out;
    size_t pos = 0;
    while (true) {
        const size_t found = text.find(separator, pos);
        if (found == std::string::npos) {
            out.push_back(text.substr(pos));
            return out;
        }
        out.push_back(text.substr(pos, found - pos));
        pos = found + 1;
    }
}

// Whether a description already ends with the patterns in brackets, as in
// "文本文件(*.txt)": the dialog reads its patterns from the last brackets.
bool showspatterns(const std::string& description, const std::string& patterns)
{
    const std::string shown = "(" + patterns + ")";
    return description.size() >= shown.size() &&
           description.compare(description.size() - shown.size(), shown.size(), shown) == 0;
}

} // namespace

QStringList CommonDialog::namefilters(const std::string& filter)
{
    QStringList out;
    if (filter.empty()) {
        return out;
    }
    const std::vector<std::string> pieces = split(filter, '|');
    for (size_t i = 0; i < pieces.size(); i += 2) {
        const std::string& description = pieces[i];
        // A description without a pattern is taken as its own pattern.
        const std::string& pattern = i + 1 < pieces.size() ? pieces[i + 1] : pieces[i];
        std::string patterns;
        for (const auto& p : split(pattern, ';')) {
            if (!p.empty()) {
                patterns += (patterns.empty() ? "" : " ") + p;
            }
        }
        out.push_back(qs(showspatterns(description, patterns)
                             ? description
                             : description + " (" + patterns + ")"));
    }
    return out;
}

void CommonDialog::showopen(QWidget* parent)
{
    auto& queue = answers();
    if (!queue.empty()) {
        const std::optional<std::string> answer = queue.front();
        queue.pop_front();
        m_accepted = answer.has_value();
        if (answer) {
            m_filename = *answer;
        }
        return;
    }

    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = namefilters(m_filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    if (m_filename.find('/') != std::string::npos) {
        dialog.setDirectory(qs(morvik::platform::parentfolder(m_filename)));
    }
    m_accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (m_accepted) {
        m_filename = ss(dialog.selectedFiles().constFirst());
    }
}

std::string CommonDialog::filetitle() const
{
    return std::string(morvik::platform::leafname(m_filename));
}

void CommonDialog::queueanswerfortesting(std::optional<std::string> answer)
{
    answers().push_back(std::move(answer));
}

} // namespace win
