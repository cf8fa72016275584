// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/pathlist.h"

#include <stdexcept>

namespace morvik
{

PathList::PathList(std::initializer_list<std::string_view> paths)
{
    for (std::string_view path : paths) {
        push_back(path);
    }
}

std::string PathList::at(std::size_t index) const
{
    if (index >= size()) {
        throw std::out_of_range("PathList::at");
    }
    return (*this)[index];
}

void PathList::push_back(std::string_view path)
{
    m_chars += path;
    m_ends.push_back(m_chars.size());
}

void PathList::pushjoined(std::string_view folder, std::string_view name)
{
    m_chars += folder;
    m_chars += '/';
    m_chars += name;
    m_ends.push_back(m_chars.size());
}

void PathList::append(const PathList& other)
{
    const std::size_t base = m_chars.size();
    m_chars += other.m_chars;
    m_ends.reserve(m_ends.size() + other.m_ends.size());
    for (std::size_t end : other.m_ends) {
        m_ends.push_back(base + end);
    }
}

void PathList::reserve(std::size_t paths, std::size_t chars)
{
    m_ends.reserve(m_ends.size() + paths);
    m_chars.reserve(m_chars.size() + chars);
}

std::vector<std::string> PathList::strings() const
{
    std::vector<std::string> out;
    out.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) {
        out.emplace_back(view(i));
    }
    return out;
}

} // namespace morvik
