// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvik
{

// The names of a large folder, given back in byte order, held in a fraction of the
// memory of one string each: names come in batches of a few thousand, each batch is
// sorted and kept as a run of names each written as what it does not share with the
// name before it, and the runs are merged as the names are given back.
class SortedNames
{
public:
    void add(std::string_view name);
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // Calls `each` with every name added, in byte order.
    void inorder(const std::function<void(std::string_view)>& each);

private:
    // Sorts the batch being gathered into a run of its own.
    void sortbatch();

    std::string m_batch;               // the names of the batch, end to end
    std::vector<std::uint32_t> m_ends; // where each name of the batch ends in m_batch
    std::vector<std::string> m_runs;   // the sorted batches, front-coded
    std::size_t m_size = 0;
};

} // namespace morvik
