// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tools/urlgen/urlrun.h"

#include <chrono>
#include <functional>
#include <string>

namespace morvik
{

// Drives a run without a window, on the calling thread: the two timers are deadlines,
// and the wait sleeps until the next one is due. Used from the command line and by the
// engine's tests (with a short poll interval).
class UrlLoop : public UrlHost
{
public:
    using Clock = std::chrono::steady_clock;

    UrlLoop(UrlRun& run, std::string listfile, UrlSettings settings,
            std::chrono::milliseconds poll = std::chrono::milliseconds(1000),
            std::chrono::milliseconds progress = std::chrono::milliseconds(200));

    // Called before each reading of the settings, so a caller can change them between
    // addresses as a user editing the window would.
    void onsettings(std::function<void(UrlSettings&)> change) { m_change = std::move(change); }

    std::string listfile() override { return m_listfile; }
    UrlSettings settings() override;
    void status(const std::string& text) override { m_status = text; }
    void mark(const std::string& text) override { m_mark = text; }
    void polltimer(bool on) override;
    void progresstimer(bool on) override;
    void waitwhilebusy(const UrlRun& run) override;

    const std::string& statustext() const { return m_status; }
    const std::string& marktext() const { return m_mark; }
    int pollticks() const { return m_pollticks; }

private:
    UrlRun& m_run;
    std::string m_listfile;
    UrlSettings m_settings;
    std::function<void(UrlSettings&)> m_change;
    std::chrono::milliseconds m_pollinterval;
    std::chrono::milliseconds m_progressinterval;
    bool m_pollon = false;
    bool m_progresson = false;
    Clock::time_point m_nextpoll;
    Clock::time_point m_nextprogress;
    std::string m_status;
    std::string m_mark;
    int m_pollticks = 0;
};

} // namespace morvik
