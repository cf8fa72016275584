// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/sortednames.h"

#include "common/frontcoding.h"
#include "common/spillfile.h"
#include "platform/text/nameorder.h"

#include <algorithm>

namespace morvik
{

namespace
{

// The names of a batch, end to end: small enough that sorting it takes little memory,
// large enough that neighbours in a sorted batch share most of their bytes.
constexpr std::size_t kBatchBytes = 64 * 1024;
// The least the merge reads of a spilled run at a time.
constexpr std::size_t kLeastRead = 2 * 1024;
// The longest pair of counts in front of a name's rest.
constexpr std::size_t kCountsBytes = 20;

// Reads a run's names one after another, from memory or from the scratch file.
class RunReader
{
public:
    explicit RunReader(std::string_view run) : m_bytes(run) { next(); }
    RunReader(const SpillFile& spill, std::uint64_t offset, std::uint64_t size, std::size_t room)
        : m_spill(&spill), m_fileat(offset), m_fileleft(size), m_buffer(room)
    {
        next();
    }

    bool done() const { return m_done; }
    const std::string& name() const { return m_name; }
    void next()
    {
        want(kCountsBytes);
        if (m_at == m_bytes.size()) {
            m_done = true;
            return;
        }
        const std::size_t shared = frontcoding::takecount(m_bytes, m_at);
        const std::size_t rest = frontcoding::takecount(m_bytes, m_at);
        want(rest);
        m_name.resize(shared);
        m_name.append(m_bytes.substr(m_at, rest));
        m_at += rest;
    }

private:
    // Makes at least `count` bytes past m_at readable, or all that is left of the run.
    void want(std::size_t count)
    {
        const std::size_t have = m_bytes.size() - m_at;
        if (have >= count || m_fileleft == 0) {
            return;
        }
        if (m_buffer.size() < count) {
            m_buffer.resize(count);
        }
        std::copy(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at), m_bytes.end(),
                  m_buffer.begin());
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_buffer.size() - have, m_fileleft));
        m_spill->get(m_buffer.data() + have, take, m_fileat);
        m_fileat += take;
        m_fileleft -= take;
        m_bytes = std::string_view(m_buffer.data(), have + take);
        m_at = 0;
    }

    std::string_view m_bytes; // the run's bytes at hand
    std::size_t m_at = 0;     // the next name's place in m_bytes
    const SpillFile* m_spill = nullptr;
    std::uint64_t m_fileat = 0;   // where the bytes after m_bytes are in the scratch file
    std::uint64_t m_fileleft = 0; // how many of the run's bytes are still there
    std::vector<char> m_buffer;
    std::string m_name;
    bool m_done = false;
};

} // namespace

SortedNames::SortedNames(std::size_t heldbytes, std::size_t mergebytes)
    : m_heldlimit(heldbytes), m_mergebytes(mergebytes)
{
}
SortedNames::~SortedNames() = default;
SortedNames::SortedNames(SortedNames&&) noexcept = default;
SortedNames& SortedNames::operator=(SortedNames&&) noexcept = default;

void SortedNames::add(std::string_view name)
{
    if (m_batch.empty()) {
        // Room for every batch once, with the name that fills it (a file name is at most
        // 255 bytes), rather than twice what a batch holds.
        m_batch.reserve(kBatchBytes + 4096);
    }
    m_batch.append(name);
    m_ends.push_back(static_cast<std::uint32_t>(m_batch.size()));
    ++m_size;
    if (m_batch.size() >= kBatchBytes) {
        sortbatch();
    }
}

void SortedNames::sortbatch()
{
    if (m_ends.empty()) {
        return;
    }
    const auto nameat = [this](std::size_t i) {
        const std::size_t start = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_batch).substr(start, m_ends[i] - start);
    };
    std::string run;
    std::string_view before;
    for (const std::uint32_t index : platform::nameorder(m_ends.size(), nameat)) {
        const std::string_view name = nameat(index);
        const std::size_t shared = frontcoding::sharedlength(before, name);
        frontcoding::putcount(run, shared);
        frontcoding::putcount(run, name.size() - shared);
        run.append(name.substr(shared));
        before = name;
    }
    run.shrink_to_fit();
    m_heldbytes += run.size();
    m_runs.push_back(std::move(run));
    m_batch.clear();
    m_ends.clear();
    // Once runs go to the scratch file, every later one follows as soon as it is made.
    if (!m_spilled.empty() || m_heldbytes > m_heldlimit) {
        spill();
    }
}

void SortedNames::spill()
{
    if (!m_spill) {
        m_spill = std::make_unique<SpillFile>();
    }
    while (!m_runs.empty()) {
        const std::string& run = m_runs.back();
        const auto at = m_spill->put(run);
        if (!at) {
            return; // no room in the temporary folder: the rest stays in memory
        }
        m_spilled.push_back({*at, run.size()});
        m_heldbytes -= run.size();
        m_runs.pop_back();
    }
}

void SortedNames::inorder(const std::function<void(std::string_view)>& each)
{
    sortbatch();
    // A merge of the runs: a heap of their readers by the name each stands at, least on top.
    std::vector<RunReader> readers;
    readers.reserve(m_runs.size() + m_spilled.size());
    for (const std::string& run : m_runs) {
        readers.emplace_back(run);
    }
    const std::size_t room =
        std::max(kLeastRead, m_mergebytes / std::max<std::size_t>(1, m_spilled.size()));
    for (const SpilledRun& run : m_spilled) {
        readers.emplace_back(*m_spill, run.offset, run.size, room);
    }
    const auto later = [&readers](std::size_t a, std::size_t b) {
        return readers[a].name() > readers[b].name();
    };
    std::vector<std::size_t> heap(readers.size());
    for (std::size_t i = 0; i < heap.size(); ++i) {
        heap[i] = i;
    }
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        RunReader& reader = readers[heap.back()];
        each(reader.name());
        reader.next();
        if (reader.done()) {
            heap.pop_back();
        } else {
            std::push_heap(heap.begin(), heap.end(), later);
        }
    }
}

} // namespace morvik
