// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morvik
{

class SpillFile;

// Full paths kept end to end in one buffer, each written as what it shares with the path
// before it (a count) and the rest: the matches of a walk come folder by folder, so a path
// costs little more than its name, not a string and an allocation of its own, and a walk
// of a million matches stays small. Every eighth path is written whole, so any path is a
// few steps away. Lists joined by moving keep their buffers as they were made (chunks),
// so gathering the lists of a walk's workers copies no path. A list given a spill file
// writes every chunk it fills there and keeps only where each eighth path starts, so a
// run holding a million matches stays within a few megabytes. Reading a path gives a
// string of its own; a Reader reads paths one after another at one step each.
class PathList
{
    struct Chunk;

public:
    // Reads the paths of one list, which must outlive it and not change meanwhile; the
    // path after the one read last comes in one step. One Reader per thread.
    class Reader
    {
    public:
        explicit Reader(const PathList& list) : m_list(&list) {}
        // The path at `index` (< size()), valid until the next read.
        const std::string& operator[](std::size_t index);

    private:
        const PathList* m_list;
        const Chunk* m_chunk = nullptr;
        std::size_t m_index = 0;  // the list's index of m_path
        std::size_t m_offset = 0; // where the path after it is written in m_chunk
        std::string m_path;
        // The bytes of a chunk in the spill file, read back whole when first needed.
        const Chunk* m_windowof = nullptr;
        std::string m_window;
    };

    class const_iterator
    {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = const std::string&;

        const_iterator(const PathList& list, std::size_t index) : m_reader(list), m_index(index) {}
        const std::string& operator*() const { return m_reader[m_index]; }
        const_iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_index == other.m_index; }

    private:
        mutable Reader m_reader;
        std::size_t m_index;
    };

    PathList() = default;
    PathList(std::initializer_list<std::string_view> paths);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    std::string operator[](std::size_t index) const { return Reader(*this)[index]; }
    // As operator[], but a wrong index throws std::out_of_range.
    std::string at(std::size_t index) const;
    std::string front() const { return (*this)[0]; }
    const_iterator begin() const { return {*this, 0}; }
    const_iterator end() const { return {*this, size()}; }

    void push_back(std::string_view path);
    // Adds the path folder + "/" + name.
    void pushjoined(std::string_view folder, std::string_view name);
    void append(const PathList& other);
    // Takes the paths of `other` after these, its buffers as they are.
    void append(PathList&& other);
    // The characters of all the paths, written out whole.
    std::size_t characters() const { return m_characters; }
    std::vector<std::string> strings() const;

    // From now on every chunk that reaches `chunkbytes` goes to `file`.
    void spillto(std::shared_ptr<SpillFile> file, std::size_t chunkbytes = kSpillChunkBytes);
    // Sends the chunk being filled to the spill file too, when it holds `least` bytes or
    // more; the next path starts another.
    void spillrest(std::size_t least);
    // Whether any chunk is in the spill file.
    bool spilled() const;

    static constexpr std::size_t kSpillChunkBytes = 64 * 1024;

private:
    struct Chunk {
        // Per path: the count of characters it shares with the path before it and the
        // count of the rest (each in 7-bit groups, low first), then the rest.
        std::string bytes;
        // Where every eighth path (written whole) begins in `bytes`.
        std::vector<std::uint32_t> restarts;
        std::size_t first = 0; // the list's index of the chunk's first path
        std::size_t count = 0;
        // Set when `bytes` went to the spill file, `size` of them at `at`.
        std::shared_ptr<SpillFile> file;
        std::uint64_t at = 0;
        std::size_t size = 0;
    };
    // Writes m_next, the path being added, and keeps it as the last path.
    void addnext();
    // Moves the bytes of the last chunk to the spill file (they stay where it fails).
    void spilllast();

    std::vector<Chunk> m_chunks;
    std::size_t m_size = 0;
    std::size_t m_characters = 0;
    std::string m_last; // the path added last
    std::string m_next;
    std::shared_ptr<SpillFile> m_spill;
    std::size_t m_chunkbytes = kSpillChunkBytes;
};

} // namespace morvik
