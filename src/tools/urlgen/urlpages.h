// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/outcome.h"
#include "tools/urlgen/shortcutwriter.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morvik
{
class Progress;
class Ui;

namespace platform
{
class HttpTransfer;
class Journal;
} // namespace platform

// The inputs that are read anew for each address, so edits made during a run apply to
// the addresses still to come.
struct UrlSettings {
    std::string content; // the template, lines ended by CR LF
    std::string folder;  // the output folder
    // Write timed-out addresses (and refused ones, and pages without a title) to the log.
    bool report = false;
};

// The data files of the run.
inline constexpr const char* kErrorLogName = "Error_CreateUrl.log";
inline constexpr const char* kTimeoutReason = "因访问超时而未能生成URL";
inline constexpr const char* kNoTitleReason = "未找到网页标题，未能生成URL";
inline constexpr const char* kInvalidReason = "网址无效，未能生成URL";

// The inputs a URL run names in its refusals.
inline constexpr const char* kUrlListField = "listfile";
inline constexpr const char* kUrlFolderField = "outfolder";

// The title of the run's closing message, and its text: success, or how many files
// could not be written (each named before it).
inline constexpr const char* kUrlTitle = "URL生成";
std::string urldonetext(std::size_t unwritten);

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

// Appends a line for the address to the error log of the data folder (header first when
// the log is missing or empty). Throws platform::SysError.
void appendlogline(const std::string& url, const std::string& reason);

// The addresses of a URL list file's bytes: its lines trimmed of blanks, empty ones left
// out.
std::vector<std::string> listaddresses(const std::string& bytes);

// A list file as a run takes it.
struct UrlList {
    enum State {
        Refused, // the list file or the output folder was refused (see refusal)
        Empty,   // the file has no bytes: nothing to do, nothing to say
        Read,
    };
    State state = Refused;
    std::optional<Refusal> refusal;
    std::vector<std::string> addresses;
};

// Checks the list file (an existing visible "*.txt") and the output folder (not empty;
// read through `folder` only once the list file passed), each refusal naming its input,
// then reads the whole list at once: its encoding is known only from all of its bytes,
// and no handle stays open while the run waits for pages.
UrlList readurllist(const std::string& listpath, const std::function<std::string()>& folder);

// The one step every run of the URL tool takes for each address, in list order, however
// its pages were fetched: a timed-out or finished transfer becomes a shortcut named after
// the page's title, or a count and (with the report) a log line naming the reason. A file
// that cannot be written is a failure of the run. With a rehearsing progress
// nothing is written: each shortcut the run would write is named once (a later page with
// the same title replaces that file in the real run), and no log line is written.
class UrlPages
{
public:
    UrlPages();
    ~UrlPages();
    UrlPages(const UrlPages&) = delete;
    UrlPages& operator=(const UrlPages&) = delete;

    // Starts a run: the outcome starts afresh.
    void begin(Progress* progress);
    // Before the first address: opens the output folder `folder` (as the settings name
    // it) and the run's journal there, so the shortcuts it replaces and creates can be
    // undone; a rehearsal keeps none. False when no journal can be kept and the user
    // (asked through `ui`) does not go on without one: the run must not start.
    bool startjournal(const std::string& folder, Ui& ui);
    // After the last address, or a stop: ends the run's record.
    void finishjournal();

    // The address's transfer timed out.
    void timedout(const std::string& url, const UrlSettings& settings);
    // The address's transfer is over.
    void finished(const std::string& url, const PageResult& result, const UrlSettings& settings);

    // Ends a run that was not stopped: the outcome is Done.
    void end() { m_outcome.notice(Notice::Kind::Done); }

    // The run so far: shortcuts written (done), shortcuts and log lines that could not be
    // written (or, rehearsed, would not be) as failures in the order they came up, and
    // the addresses that got no shortcut (timed out, refused, failed or without a title;
    // an empty page is not counted), whether or not the report was on, as skipped.
    const Outcome& outcome() const { return m_outcome; }
    std::size_t failures() const { return m_outcome.skipped; }
    std::size_t unwritten() const { return m_outcome.failures.size(); }

private:
    void failed(const std::string& url, const std::string& reason, const UrlSettings& settings);
    void writeshortcut(const std::string& url, const std::string& title,
                       const UrlSettings& settings);

    Progress* m_progress = nullptr;
    urlgen::ShortcutWriter m_shortcuts;
    std::unique_ptr<platform::Journal> m_journal;
    std::map<std::string, bool> m_rehearsed; // the shortcuts a rehearsal named, and its answer
    Outcome m_outcome;
};

} // namespace morvik
