// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/net/http.h"
#include "run/progress.h"
#include "tools/urlgen/urlpages.h"

#include <memory>
#include <string>

namespace morvik
{

class Ui;
class UrlRun;

// What a run needs from the window (or whatever else drives it): its inputs, its two
// status texts, its two timers and a wait that handles events until an address is done.
class UrlHost
{
public:
    virtual ~UrlHost() = default;

    virtual std::string listfile() = 0;
    virtual UrlSettings settings() = 0;
    virtual void status(const std::string& text) = 0; // "正在生成", "生成完毕！"
    virtual void mark(const std::string& text) = 0;   // the progress mark
    // The poll timer: while on, each tick calls UrlRun::makeurl().
    virtual void polltimer(bool on) = 0;
    // The progress timer: while on, each tick sets the mark to urlgen::nextmark(mark).
    virtual void progresstimer(bool on) = 0;
    // Handles events, timer ticks included, until run.busy() is false. Sleeps between
    // events: nothing spins.
    virtual void waitwhilebusy(const UrlRun& run) = 0;
};

// The URL shortcut run: reads the list file, fetches one address at a time and writes a
// shortcut named after each page's title. One thread: the host's timers call makeurl()
// while run() waits inside the host.
class UrlRun
{
public:
    explicit UrlRun(platform::HttpTimeouts timeouts = {});
    ~UrlRun();
    UrlRun(const UrlRun&) = delete;
    UrlRun& operator=(const UrlRun&) = delete;

    // Takes effect at the next run.
    void settimeouts(platform::HttpTimeouts timeouts) { m_timeouts = timeouts; }

    // The whole run. Returns when the list is done (the outcome is Done), when the list
    // file or an empty output folder is refused (the outcome's refusal), when the list
    // file is empty (an empty outcome), or when stop() was called (stopped). The outcome
    // counts the shortcuts written, names each shortcut or log line that could not be
    // written, and counts the addresses that got no shortcut as skipped. Not re-entrant:
    // a call while a run is going does nothing and returns an empty outcome.
    //
    // With a progress, the run counts its addresses once the list is read, names the
    // address being fetched and counts each one done. A stop requested there ends the
    // run between two addresses: a page still being fetched is dropped (nothing is
    // written for it), a page already fetched gets its whole shortcut first.
    Outcome run(UrlHost& host, Ui& ui, Progress* progress = nullptr);

    // Starts the request for one address and the poll timer.
    void fetchurl(const std::string& url);
    // One tick of the poll timer: finishes the current address once its request is over
    // or timed out.
    void makeurl();
    // Appends a line for the address to the error log (header first when the log is
    // missing or empty). Throws platform::SysError.
    void errlog(const std::string& url, const std::string& reason = kTimeoutReason)
    {
        appendlogline(url, reason);
    }

    // Ends a running run at once: the transfer is stopped, the current address is
    // dropped (no file for it), no completion message.
    void stop();

    bool running() const { return m_running; }
    // Addresses of the last run that got no shortcut (timed out, refused, failed or
    // without a title; an empty page is not counted), whether or not the report was on.
    std::size_t failures() const { return m_pages.failures(); }
    // Shortcuts and log lines of the last run that could not be written.
    std::size_t unwritten() const { return m_pages.unwritten(); }
    bool stopped() const { return m_stopped; }

    // Whether an address is being fetched (the documents' busyflag).
    bool busy() const { return m_busy; }

private:
    std::string m_address; // the address being processed (the documents' urlstr)
    bool m_busy = false;
    platform::HttpTimeouts m_timeouts;
    std::unique_ptr<platform::HttpTransfer> m_inet;
    UrlPages m_pages; // the step each address takes
    UrlHost* m_host = nullptr;
    Progress* m_progress = nullptr; // of the run going on, if any
    bool m_running = false;
    bool m_stopped = false;
    bool m_inmakeurl = false;
};

} // namespace morvik
