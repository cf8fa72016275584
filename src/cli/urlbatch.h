// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tools/urlgen/urlpages.h"

#include <string>

namespace morvik
{
class Progress;
class Ui;
} // namespace morvik

namespace morvik::cli
{

// The URL run with several transfers at once: up to `jobs` addresses of the list are
// fetched together, each with the limits of the window's transfer (its own timeouts,
// redirects and 4096-byte chunk). Only the fetching differs from the paced run: the list
// is taken and each page is finished by the same steps (readurllist, UrlPages), strictly
// in list order, so the files, the names that replace each other, the report lines and
// the outcome come out as the paced run makes them. No poll tick: an address is done when
// its transfer ends. Counts the addresses in `progress` and stops between two addresses
// when asked; with a rehearsal it writes nothing and names each shortcut it would write.
class UrlBatch
{
public:
    UrlBatch(UrlSettings settings, int jobs, Ui& ui, Progress& progress);

    // The whole run, with the outcome the paced run gives.
    Outcome run(const std::string& listfile);

private:
    UrlSettings m_settings;
    int m_jobs;
    Ui& m_ui;
    Progress& m_progress;
    UrlPages m_pages;
};

} // namespace morvik::cli
