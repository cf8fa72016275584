// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/urlbatch.h"

#include "platform/net/http.h"
#include "run/progress.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace morvik::cli
{

namespace
{

// How often a wait looks at the stop request, which a signal handler cannot announce.
constexpr auto kStopCheck = std::chrono::milliseconds(100);

// One address's transfer once it is over or timed out.
struct Page {
    bool ready = false;
    bool timedout = false;
    PageResult result;
};

} // namespace

UrlBatch::UrlBatch(UrlSettings settings, int jobs, Ui& ui, Progress& progress)
    : m_settings(std::move(settings)), m_jobs(jobs), m_ui(ui), m_progress(progress)
{
}

Outcome UrlBatch::run(const std::string& listfile)
{
    m_pages.begin(&m_progress);
    UrlList list = readurllist(listfile, [this] { return m_settings.folder; });
    if (list.state != UrlList::Read) {
        Outcome refused;
        refused.refusal = std::move(list.refusal); // none for an empty list
        return refused;
    }
    if (!m_pages.startjournal(m_settings.folder, m_ui)) {
        return {}; // the user chose not to run without a way back
    }
    const std::vector<std::string>& urls = list.addresses;
    m_progress.addfound(urls.size());

    std::mutex mutex;
    std::condition_variable wake;
    std::size_t events = 0;
    struct Slot {
        std::unique_ptr<platform::HttpTransfer> transfer;
        std::size_t index = 0;
        bool busy = false;
    };
    std::vector<Slot> slots(std::min<std::size_t>(static_cast<std::size_t>(m_jobs), urls.size()));
    std::vector<Page> pages(urls.size());
    std::size_t next = 0;
    const auto start = [&](Slot& slot) {
        slot.index = next++;
        slot.busy = true;
        slot.transfer->start(urls[slot.index]);
    };
    for (auto& slot : slots) {
        slot.transfer = std::make_unique<platform::HttpTransfer>();
        slot.transfer->setondone([&] {
            std::lock_guard lock(mutex);
            ++events;
            wake.notify_one();
        });
        start(slot);
    }

    std::size_t seen = 0;
    std::size_t finished = 0;
    while (finished < urls.size() && !m_progress.stoprequested()) {
        for (auto& slot : slots) {
            if (!slot.busy) {
                continue;
            }
            const bool timedout = slot.transfer->stillexecuting() &&
                                  slot.transfer->responsecode() == platform::kTimedOutCode;
            if (slot.transfer->stillexecuting() && !timedout) {
                continue;
            }
            Page& page = pages[slot.index];
            page = {true, timedout, timedout ? PageResult{} : pageresult(*slot.transfer)};
            slot.busy = false;
            if (next < urls.size()) {
                start(slot);
            }
        }
        // Pages become files in list order only.
        while (finished < urls.size() && pages[finished].ready && !m_progress.stoprequested()) {
            m_progress.setfolder(urls[finished]);
            const std::size_t unwritten = m_pages.unwritten();
            if (pages[finished].timedout) {
                m_pages.timedout(urls[finished], m_settings);
            } else {
                m_pages.finished(urls[finished], pages[finished].result, m_settings);
            }
            pages[finished] = {};
            m_progress.filedone(m_pages.unwritten() == unwritten);
            ++finished;
        }
        if (finished == urls.size()) {
            break;
        }
        std::unique_lock lock(mutex);
        wake.wait_for(lock, kStopCheck, [&] { return events != seen; });
        seen = events;
    }
    // The transfers still running are stopped as their slots go.
    slots.clear();
    m_pages.finishjournal();
    if (!m_progress.stoprequested()) {
        m_pages.end();
    }
    Outcome outcome = m_pages.outcome();
    outcome.stopped = m_progress.stoprequested();
    return outcome;
}

} // namespace morvik::cli
