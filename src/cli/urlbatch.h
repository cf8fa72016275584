// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tools/urlgen/shortcutwriter.h"
#include "tools/urlgen/urlrun.h"

#include <set>
#include <string>
#include <vector>

namespace morvik
{
class Ui;
namespace platform
{
class Progress;
}
} // namespace morvik

namespace morvik::cli
{

// The addresses of a URL list file's bytes: its lines trimmed of blanks, empty ones left
// out.
std::vector<std::string> listaddresses(const std::string& bytes);

// The URL run with several transfers at once: up to `jobs` addresses of the list are
// fetched together, each with the limits of the window's transfer (its own timeouts,
// redirects and 4096-byte chunk), while the pages are turned into shortcuts strictly in
// list order, so the files, the names that replace each other and the report lines come
// out as the paced run makes them. No poll tick: an address is done when its transfer
// ends. Counts the addresses in `progress`, stops between two addresses when asked, and
// with a rehearsal writes nothing and names each shortcut it would write, once: a later
// address whose page has the same title replaces that file in the real run.
class UrlBatch
{
public:
    UrlBatch(UrlSettings settings, int jobs, Ui& ui, platform::Progress& progress);

    // The whole run; false when the list file is refused (its message has been shown).
    bool run(const std::string& listfile);

    // Addresses that got no shortcut (timed out, refused, failed or without a title; an
    // empty page is not counted).
    std::size_t failures() const { return m_failures; }

private:
    struct Page;
    void finish(const std::string& url, const Page& page);
    void logfailure(const std::string& url, const std::string& reason);
    void writeshortcut(const std::string& url, const std::string& title);

    UrlSettings m_settings;
    int m_jobs;
    Ui& m_ui;
    platform::Progress& m_progress;
    UrlRun m_log; // writes the error log exactly as the paced run does
    urlgen::ShortcutWriter m_shortcuts;
    std::set<std::string> m_rehearsed; // the shortcuts a rehearsal has named
    std::size_t m_failures = 0;
};

} // namespace morvik::cli
