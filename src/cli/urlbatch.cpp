// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/urlbatch.h"

#include "platform/codec.h"
#include "platform/fileops.h"
#include "platform/fsobject.h"
#include "platform/http.h"
#include "platform/progress.h"
#include "platform/syserror.h"
#include "platform/ui.h"
#include "platform/wildcard.h"
#include "tools/urlgen/shortcut.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace morvik::cli
{

namespace
{

// How often a wait looks at the stop request, which a signal handler cannot announce.
constexpr auto kStopCheck = std::chrono::milliseconds(100);

// The list file test of the window: an existing visible file named "*.txt".
bool islistfile(const std::string& path)
{
    if (path.empty() || path.back() == '/' || !platform::visiblefileexists(path)) {
        return false;
    }
    const std::size_t slash = path.find_last_of('/');
    return platform::wildcardmatch("*.txt",
                                   slash == std::string::npos ? path : path.substr(slash + 1));
}

} // namespace

std::vector<std::string> listaddresses(const std::string& bytes)
{
    std::vector<std::string> urls;
    for (const auto& line : platform::splitlines(platform::decode(bytes))) {
        std::string url = urlgen::trimblanks(line);
        if (!url.empty()) {
            urls.push_back(std::move(url));
        }
    }
    return urls;
}

struct UrlBatch::Page {
    bool ready = false;
    bool timedout = false;
    PageResult result;
};

UrlBatch::UrlBatch(UrlSettings settings, int jobs, Ui& ui, platform::Progress& progress)
    : m_settings(std::move(settings)), m_jobs(jobs), m_ui(ui), m_progress(progress)
{
}

bool UrlBatch::run(const std::string& listfile)
{
    if (!islistfile(listfile)) {
        m_ui.msgbox("请指定正确的URL地址列表文件", "文件错误", Icon::Critical);
        return false;
    }
    std::string bytes;
    try {
        bytes = platform::readbytes(listfile);
    } catch (const platform::SysError& e) {
        m_ui.msgbox(e.what(), kAppTitle, Icon::Critical);
        return false;
    }
    if (bytes.empty()) {
        return true;
    }
    const std::vector<std::string> urls = listaddresses(bytes);
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
            finish(urls[finished], pages[finished]);
            pages[finished] = {};
            m_progress.filedone();
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
    if (!m_progress.stoprequested()) {
        m_ui.msgbox("恭喜，URL文件生成完毕！", "URL生成", Icon::Information);
    }
    return true;
}

void UrlBatch::finish(const std::string& url, const Page& page)
{
    if (!page.timedout && !page.result.title && page.result.reason.empty()) {
        return; // an empty page
    }
    if (page.timedout || !page.result.title) {
        ++m_failures;
        logfailure(url, page.timedout ? std::string(kTimeoutReason) : page.result.reason);
        return;
    }
    if (!m_settings.content.empty()) {
        writeshortcut(url, *page.result.title);
    }
}

void UrlBatch::logfailure(const std::string& url, const std::string& reason)
{
    if (!m_settings.report || m_progress.rehearsing()) {
        return;
    }
    try {
        m_log.errlog(url, reason);
    } catch (const platform::SysError& e) {
        m_ui.msgbox(e.what(), kAppTitle, Icon::Critical);
    }
}

void UrlBatch::writeshortcut(const std::string& url, const std::string& title)
{
    const std::string path = urlgen::shortcutpath(m_settings.folder, urlgen::shortcutname(title));
    if (m_progress.rehearsing()) {
        if (m_rehearsed.insert(path).second) {
            m_progress.rehearse(path);
        }
        return;
    }
    try {
        m_shortcuts.write(path, platform::togbk(urlgen::fillurl(m_settings.content, url) + "\r\n"));
    } catch (const platform::SysError& e) {
        m_ui.msgbox(e.what(), kAppTitle, Icon::Critical);
    }
}

} // namespace morvik::cli
