// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/sortednames.h"

#include "common/frontcoding.h"
#include "platform/text/nameorder.h"

#include <algorithm>

namespace morvik
{

namespace
{

// The names of a batch, end to end: small enough that sorting it takes little memory,
// large enough that neighbours in a sorted batch share most of their bytes.
constexpr std::size_t kBatchBytes = 64 * 1024;

// Reads a run's names one after another.
class RunReader
{
public:
    explicit RunReader(const std::string& run) : m_run(&run) { next(); }
    bool done() const { return m_done; }
    const std::string& name() const { return m_name; }
    void next()
    {
        if (m_offset == m_run->size()) {
            m_done = true;
            return;
        }
        const std::size_t shared = frontcoding::takecount(*m_run, m_offset);
        const std::size_t rest = frontcoding::takecount(*m_run, m_offset);
        m_name.resize(shared);
        m_name.append(*m_run, m_offset, rest);
        m_offset += rest;
    }

private:
    const std::string* m_run;
    std::size_t m_offset = 0;
    std::string m_name;
    bool m_done = false;
};

} // namespace

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
    m_runs.push_back(std::move(run));
    m_batch.clear();
    m_ends.clear();
}

void SortedNames::inorder(const std::function<void(std::string_view)>& each)
{
    sortbatch();
    // A merge of the runs: a heap of their readers by the name each stands at, least on top.
    std::vector<RunReader> readers(m_runs.begin(), m_runs.end());
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
