// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/urlloop.h"

#include "tools/urlgen/shortcut.h"

#include <algorithm>
#include <thread>

namespace morvik
{

UrlLoop::UrlLoop(UrlRun& run, std::string listfile, UrlSettings settings,
                 std::chrono::milliseconds poll, std::chrono::milliseconds progress)
    : m_run(run), m_listfile(std::move(listfile)), m_settings(std::move(settings)),
      m_pollinterval(poll), m_progressinterval(progress)
{
}

UrlSettings UrlLoop::settings()
{
    if (m_change) {
        m_change(m_settings);
    }
    return m_settings;
}

void UrlLoop::polltimer(bool on)
{
    // Like a timer being enabled: the first tick comes one interval later.
    if (on && !m_pollon) {
        m_nextpoll = Clock::now() + m_pollinterval;
    }
    m_pollon = on;
}

void UrlLoop::progresstimer(bool on)
{
    if (on && !m_progresson) {
        m_nextprogress = Clock::now() + m_progressinterval;
    }
    m_progresson = on;
}

void UrlLoop::waitwhilebusy(const UrlRun& run)
{
    while (run.busy() && (m_pollon || m_progresson)) {
        Clock::time_point next = Clock::time_point::max();
        if (m_pollon) {
            next = m_nextpoll;
        }
        if (m_progresson) {
            next = std::min(next, m_nextprogress);
        }
        std::this_thread::sleep_until(next);
        const Clock::time_point now = Clock::now();
        if (m_progresson && now >= m_nextprogress) {
            m_nextprogress = std::max(m_nextprogress + m_progressinterval, now);
            m_mark = urlgen::nextmark(m_mark);
        }
        if (m_pollon && now >= m_nextpoll) {
            // Like a timer, a late tick is not made up for.
            m_nextpoll = std::max(m_nextpoll + m_pollinterval, now);
            ++m_pollticks;
            m_run.makeurl();
        }
    }
}

} // namespace morvik
