// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/urlrun.h"

namespace morvik
{

namespace
{

// Clears a flag when the scope ends, however it ends.
class Lowered
{
public:
    explicit Lowered(bool& flag) : m_flag(flag) {}
    ~Lowered() { m_flag = false; }
    Lowered(const Lowered&) = delete;
    Lowered& operator=(const Lowered&) = delete;

private:
    bool& m_flag;
};

// Turns the host's timers off when the run ends, however it ends.
class TimersOff
{
public:
    explicit TimersOff(UrlHost& host) : m_host(host) {}
    ~TimersOff()
    {
        m_host.progresstimer(false);
        m_host.polltimer(false);
    }
    TimersOff(const TimersOff&) = delete;
    TimersOff& operator=(const TimersOff&) = delete;

private:
    UrlHost& m_host;
};

// Sets a flag for the length of a scope, however it ends.
class Raised
{
public:
    explicit Raised(bool& flag) : m_flag(flag) { m_flag = true; }
    ~Raised() { m_flag = false; }
    Raised(const Raised&) = delete;
    Raised& operator=(const Raised&) = delete;

private:
    bool& m_flag;
};

// Points the run at its progress for the length of a scope, however it ends.
class Watched
{
public:
    Watched(Progress*& current, Progress* progress) : m_current(current) { m_current = progress; }
    ~Watched() { m_current = nullptr; }
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;

private:
    Progress*& m_current;
};

// Ends the run's journal when the run ends, however it ends.
class JournalEnd
{
public:
    explicit JournalEnd(UrlPages& pages) : m_pages(pages) {}
    ~JournalEnd() { m_pages.finishjournal(); }
    JournalEnd(const JournalEnd&) = delete;
    JournalEnd& operator=(const JournalEnd&) = delete;

private:
    UrlPages& m_pages;
};

} // namespace

UrlRun::UrlRun(platform::HttpTimeouts timeouts) : m_timeouts(timeouts) {}

UrlRun::~UrlRun() = default;

Outcome UrlRun::run(UrlHost& host, Ui& ui, Progress* progress)
{
    if (m_running) {
        return {};
    }
    m_host = &host;
    m_stopped = false;
    m_pages.begin(progress);

    std::string folder;
    UrlList list =
        readurllist(host.listfile(), [&host, &folder] { return folder = host.settings().folder; });
    if (list.state != UrlList::Read) {
        Outcome refused;
        refused.refusal = std::move(list.refusal);
        return refused;
    }
    if (!m_pages.startjournal(folder, ui)) {
        return {}; // the user chose not to run without a way back
    }
    if (progress) {
        progress->addfound(list.addresses.size());
    }

    {
        JournalEnd journalend(m_pages);
        Raised running(m_running);
        TimersOff timersoff(host);
        Lowered idle(m_busy);
        Watched watched(m_progress, progress);
        m_inet = std::make_unique<platform::HttpTransfer>(m_timeouts);
        host.status("正在生成");
        host.progresstimer(true);
        for (const std::string& address : list.addresses) {
            if (progress && progress->stoprequested()) {
                m_stopped = true;
                break;
            }
            m_busy = true;
            m_address = address;
            const std::size_t unwritten = m_pages.unwritten();
            if (progress) {
                progress->setfolder(m_address);
            }
            fetchurl(m_address);
            if (m_busy) {
                host.waitwhilebusy(*this);
            }
            if (m_stopped) {
                break;
            }
            if (progress) {
                progress->filedone(m_pages.unwritten() == unwritten);
            }
        }
        m_inet.reset();
    }
    if (m_stopped) {
        // Neither "正在生成" nor a mark stays behind a run that did not finish.
        host.mark("");
        host.status("");
        Outcome stopped = m_pages.outcome();
        stopped.stopped = true;
        return stopped;
    }
    host.mark("");
    host.status("生成完毕！");
    m_pages.end();
    return m_pages.outcome();
}

void UrlRun::fetchurl(const std::string& url)
{
    if (!m_inet) {
        m_inet = std::make_unique<platform::HttpTransfer>(m_timeouts);
    }
    m_inet->start(url);
    if (m_host) {
        m_host->polltimer(true);
    }
}

void UrlRun::makeurl()
{
    // A tick that comes after the address is done, or while a message box of this step
    // is still open, has nothing to do.
    if (!m_busy || !m_inet || !m_host || m_inmakeurl) {
        return;
    }
    Raised inside(m_inmakeurl);
    if (m_inet->stillexecuting()) {
        if (m_progress && m_progress->stoprequested()) {
            stop();
            return;
        }
        if (m_inet->responsecode() == platform::kTimedOutCode) {
            m_host->polltimer(false);
            // The address is done even when the step fails: the run must not wait on.
            Lowered done(m_busy);
            m_pages.timedout(m_address, m_host->settings());
        }
        return;
    }
    m_host->polltimer(false);
    Lowered done(m_busy);
    m_pages.finished(m_address, pageresult(*m_inet), m_host->settings());
}

void UrlRun::stop()
{
    if (!m_running) {
        return;
    }
    m_stopped = true;
    if (m_inet) {
        m_inet->stop();
    }
    if (m_host) {
        m_host->polltimer(false);
    }
    m_busy = false;
}

} // namespace morvik
