// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/http.h"
#include "platform/progress.h"
#include "tools/urlgen/shortcutwriter.h"

#include <memory>
#include <optional>
#include <string>

namespace morvik
{

class Ui;

// The inputs that are read anew for each address, so edits made during a run apply to
// the addresses still to come.
struct UrlSettings {
    std::string content; // the template, lines ended by CR LF
    std::string folder;  // the output folder
    // Write timed-out addresses (and refused ones, and pages without a title) to the log.
    bool report = false;
};

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
    // Handles events, timer ticks included, until run.busyflag is false. Sleeps between
    // events: nothing spins.
    virtual void waitwhilebusy(const UrlRun& run) = 0;
};

// The data files of the run.
inline constexpr const char* kErrorLogName = "Error_CreateUrl.log";
inline constexpr const char* kTimeoutReason = "因访问超时而未能生成URL";
inline constexpr const char* kNoTitleReason = "未找到网页标题，未能生成URL";
inline constexpr const char* kInvalidReason = "网址无效，未能生成URL";

// The log's reason for an address whose transfer failed: "因访问失败（" why "）而未能生成URL".
std::string failedreason(const std::string& why);

// What a finished transfer gives an address: the page's title, or else the reason the
// address gets no shortcut (refused, failed, or a page without a title); no reason for
// a page whose body is empty, which is passed over without a report.
struct PageResult {
    std::optional<std::string> title;
    std::string reason;
};
PageResult pageresult(const platform::HttpTransfer& transfer);

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

    // The whole run. Returns when the list is done (completion message shown), when the
    // list file or an empty output folder is refused, when the list file is empty, or
    // when stop() was called. Not re-entrant: a call
    // while a run is going does nothing.
    //
    // With a progress, the run counts its addresses once the list is read, names the
    // address being fetched and counts each one done. A stop requested there ends the
    // run between two addresses: a page still being fetched is dropped (nothing is
    // written for it), a page already fetched gets its whole shortcut first.
    void run(UrlHost& host, Ui& ui, platform::Progress* progress = nullptr);

    // Starts the request for one address and the poll timer.
    void fetchurl(const std::string& url);
    // One tick of the poll timer: finishes the current address once its request is over
    // or timed out.
    void makeurl();
    // Appends a line for the address to the error log (header first when the log is
    // missing or empty). Throws platform::SysError.
    void errlog(const std::string& url, const std::string& reason = kTimeoutReason);

    // Ends a running run at once: the transfer is stopped, the current address is
    // dropped (no file for it), no completion message.
    void stop();

    bool running() const { return m_running; }
    // Addresses of the last run that got no shortcut (timed out, refused, failed or
    // without a title; an empty page is not counted), whether or not the report was on.
    std::size_t failures() const { return m_failures; }
    bool stopped() const { return m_stopped; }

    std::string urlstr; // the address being processed
    bool busyflag = false;

private:
    void finishpage();
    void logfailure(const std::string& url, const std::string& reason);

    platform::HttpTimeouts m_timeouts;
    std::unique_ptr<platform::HttpTransfer> m_inet;
    urlgen::ShortcutWriter m_shortcuts;
    UrlHost* m_host = nullptr;
    Ui* m_ui = nullptr;
    platform::Progress* m_progress = nullptr; // of the run going on, if any
    bool m_running = false;
    bool m_stopped = false;
    // Shortcuts and log lines of this run that could not be written.
    std::size_t m_unwritten = 0;
    std::size_t m_failures = 0;
    bool m_inmakeurl = false;
};

} // namespace morvik
