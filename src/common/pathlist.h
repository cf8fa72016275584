// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace morvik
{

// Full paths kept end to end in one buffer: a path costs its characters and one offset,
// not a string and an allocation of its own, so a walk of a million matches stays small.
// Lists joined by moving keep their buffers as they were made (chunks), so gathering the
// lists of a walk's workers copies no path. Reading a path gives a string of its own;
// view() reads it in place.
class PathList
{
public:
    class const_iterator
    {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string;

        const_iterator(const PathList& list, std::size_t index) : m_list(&list), m_index(index) {}
        std::string operator*() const { return (*m_list)[m_index]; }
        const_iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_index == other.m_index; }

    private:
        const PathList* m_list;
        std::size_t m_index;
    };

    PathList() = default;
    PathList(std::initializer_list<std::string_view> paths);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    std::string_view view(std::size_t index) const;
    std::string operator[](std::size_t index) const { return std::string(view(index)); }
    // As operator[], but a wrong index throws std::out_of_range.
    std::string at(std::size_t index) const;
    std::string front() const { return (*this)[0]; }
    const_iterator begin() const { return {*this, 0}; }
    const_iterator end() const { return {*this, size()}; }

    void push_back(std::string_view path);
    // Adds the path folder + "/" + name without building it first.
    void pushjoined(std::string_view folder, std::string_view name);
    void append(const PathList& other);
    // Takes the paths of `other` after these, its buffers as they are.
    void append(PathList&& other);
    // Room for `paths` more paths of `chars` characters in all.
    void reserve(std::size_t paths, std::size_t chars);
    // Gives back the room reserved or grown beyond the paths held.
    void shrink_to_fit();
    std::size_t characters() const { return m_characters; }
    std::vector<std::string> strings() const;

private:
    struct Chunk {
        std::string chars;
        std::vector<std::size_t> ends; // where each path of the chunk ends in `chars`
        std::size_t first = 0;         // the list's index of the chunk's first path
    };
    Chunk& last();

    std::vector<Chunk> m_chunks;
    std::size_t m_size = 0;
    std::size_t m_characters = 0;
};

} // namespace morvik
