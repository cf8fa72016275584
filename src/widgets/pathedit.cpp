// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/pathedit.h"

#include "platform/text/codec.h"
#include "widgets/qtglue.h"

#include <unistd.h>

namespace win
{

namespace
{

bool exists(const std::string& path)
{
    return !path.empty() && ::access(path.c_str(), F_OK) == 0;
}

std::string astext(const std::string& bytes)
{
    return morvik::platform::isutf8(bytes) ? bytes : morvik::platform::fromgbk(bytes);
}

} // namespace

QString pathtext(const std::string& path)
{
    // GBK never uses the byte "/" inside a character, so components can be cut at it.
    std::string text;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('/', start);
        text += astext(path.substr(start, slash - start));
        if (slash == std::string::npos) {
            break;
        }
        text += '/';
        start = slash + 1;
    }
    return qs(text);
}

std::string storedtext(const std::string& path)
{
    return astext(path);
}

std::string pathfromstored(const std::string& text)
{
    const std::string gbk = morvik::platform::togbk(text);
    // Bytes that were neither UTF-8 nor GBK come back as escapes: only the GBK form
    // turns them into the path's bytes again.
    const bool escaped = morvik::platform::displayable(text) != text;
    if (gbk != text && (escaped || (!exists(text) && exists(gbk)))) {
        return gbk;
    }
    return text;
}

PathEdit::PathEdit(QWidget* parent) : QLineEdit(parent) {}

void PathEdit::setpath(const std::string& path)
{
    m_path = path;
    m_shown = pathtext(path);
    setText(m_shown);
}

std::string PathEdit::path() const
{
    return text() == m_shown ? m_path : ss(text());
}

} // namespace win
