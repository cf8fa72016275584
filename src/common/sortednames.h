// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morvik
{

class SpillFile;

// The names of a large folder, given back in byte order, held in a fraction of the
// memory of one string each: names come in batches of a few thousand, each batch is
// sorted and kept as a run of names each written as what it does not share with the
// name before it, and the runs are merged as the names are given back. Once the runs
// outgrow `heldbytes`, they go to a scratch file and the merge reads them back a little
// at a time (`mergebytes` of them all together), so that a folder of millions of names
// sorts in a few megabytes; where no scratch file can be made or written, the runs stay
// in memory.
class SortedNames
{
public:
    static constexpr std::size_t kHeldBytes = 256 * 1024;
    static constexpr std::size_t kMergeBytes = 256 * 1024;

    explicit SortedNames(std::size_t heldbytes = kHeldBytes, std::size_t mergebytes = kMergeBytes);
    ~SortedNames();
    SortedNames(SortedNames&&) noexcept;
    SortedNames& operator=(SortedNames&&) noexcept;

    void add(std::string_view name);
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // Whether any run went to the scratch file.
    bool spilled() const { return !m_spilled.empty(); }
    // Calls `each` with every name added, in byte order. Throws SysError when the scratch
    // file cannot be read back.
    void inorder(const std::function<void(std::string_view)>& each);

private:
    // Where a run is in the scratch file.
    struct SpilledRun {
        std::uint64_t offset;
        std::uint64_t size;
    };

    // Sorts the batch being gathered into a run of its own.
    void sortbatch();
    // Moves the runs held to the scratch file, or as many as it takes.
    void spill();

    std::size_t m_heldlimit;
    std::size_t m_mergebytes;
    std::string m_batch;               // the names of the batch, end to end
    std::vector<std::uint32_t> m_ends; // where each name of the batch ends in m_batch
    std::vector<std::string> m_runs;   // the sorted batches held, front-coded
    std::size_t m_heldbytes = 0;       // the bytes of m_runs
    std::unique_ptr<SpillFile> m_spill;
    std::vector<SpilledRun> m_spilled;
    std::size_t m_size = 0;
};

} // namespace morvik
