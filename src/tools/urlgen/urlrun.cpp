// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/urlrun.h"

#include "platform/appfolder.h"
#include "platform/codec.h"
#include "platform/fileops.h"
#include "platform/fsobject.h"
#include "platform/syserror.h"
#include "platform/ui.h"
#include "platform/wildcard.h"
#include "tools/urlgen/shortcut.h"

#include <vector>

namespace morvik
{

namespace
{

constexpr const char* kBlanks = "          "; // ten, between the columns of the log
constexpr const char* kCrLf = "\r\n";

// An existing visible file, not a folder text, whose name matches "*.txt" exactly.
bool islistfile(const std::string& path)
{
    if (path.empty() || path.back() == '/' || !platform::visiblefileexists(path)) {
        return false;
    }
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return platform::wildcardmatch("*.txt", name);
}

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
    Watched(platform::Progress*& current, platform::Progress* progress) : m_current(current)
    {
        m_current = progress;
    }
    ~Watched() { m_current = nullptr; }
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;

private:
    platform::Progress*& m_current;
};

} // namespace

std::string failedreason(const std::string& why)
{
    return "因访问失败（" + why + "）而未能生成URL";
}

PageResult pageresult(const platform::HttpTransfer& transfer)
{
    if (transfer.rejected()) {
        return {std::nullopt, kInvalidReason};
    }
    const std::string chunk = transfer.getchunk();
    const std::string why = transfer.failure();
    if (chunk.empty()) {
        // A finished request with an empty body has nothing to read: no report either.
        return {std::nullopt, why.empty() ? std::string() : failedreason(why)};
    }
    PageResult result;
    result.title = urlgen::titleof(platform::decodechunk(chunk, transfer.contenttype()));
    if (!result.title) {
        // A page cut short by a failure lacks its title because of the failure.
        result.reason = why.empty() ? std::string(kNoTitleReason) : failedreason(why);
    }
    return result;
}

UrlRun::UrlRun(platform::HttpTimeouts timeouts) : m_timeouts(timeouts) {}

UrlRun::~UrlRun() = default;

void UrlRun::run(UrlHost& host, Ui& ui, platform::Progress* progress)
{
    if (m_running) {
        return;
    }
    m_host = &host;
    m_ui = &ui;
    m_stopped = false;
    m_unwritten = 0;
    m_failures = 0;

    const std::string listpath = host.listfile();
    if (!islistfile(listpath)) {
        ui.msgbox("请指定正确的URL地址列表文件", "文件错误", Icon::Critical);
        ui.focus("Text1");
        return;
    }
    // An empty folder text is no folder: refused like the other tools' empty folder boxes,
    // never taken for the data folder (the application folder of a portable copy).
    if (host.settings().folder.empty()) {
        ui.msgbox("请指定存储位置", "设置错误", Icon::Critical);
        ui.focus("Text2");
        return;
    }
    // The whole list is read at once: its encoding is known only from all of its bytes,
    // and no handle stays open while the run waits for pages.
    std::string bytes;
    try {
        bytes = platform::readbytes(listpath);
    } catch (const platform::SysError& e) {
        ui.msgbox(e.what(), kAppTitle, Icon::Critical);
        return;
    }
    if (bytes.empty()) {
        return;
    }
    const std::vector<std::string> lines = platform::splitlines(platform::decode(bytes));
    bytes.clear();
    if (progress) {
        std::size_t addresses = 0;
        for (const std::string& line : lines) {
            addresses += urlgen::trimblanks(line).empty() ? 0 : 1;
        }
        progress->addfound(addresses);
    }

    {
        Raised running(m_running);
        TimersOff timersoff(host);
        Lowered idle(busyflag);
        Watched watched(m_progress, progress);
        m_inet = std::make_unique<platform::HttpTransfer>(m_timeouts);
        host.status("正在生成");
        host.progresstimer(true);
        for (const std::string& line : lines) {
            if (progress && progress->stoprequested()) {
                m_stopped = true;
                break;
            }
            busyflag = true;
            urlstr = urlgen::trimblanks(line);
            if (urlstr.empty()) {
                busyflag = false;
                continue;
            }
            const std::size_t unwritten = m_unwritten;
            if (progress) {
                progress->setfolder(urlstr);
            }
            fetchurl(urlstr);
            if (busyflag) {
                host.waitwhilebusy(*this);
            }
            if (m_stopped) {
                break;
            }
            if (progress) {
                progress->filedone(m_unwritten == unwritten);
            }
        }
        m_inet.reset();
    }
    if (m_stopped) {
        // Neither "正在生成" nor a mark stays behind a run that did not finish.
        host.mark("");
        host.status("");
        return;
    }
    host.mark("");
    host.status("生成完毕！");
    // A shortcut or log line that could not be written was named in its own box; the
    // end does not then claim success.
    if (m_unwritten > 0) {
        ui.msgbox("URL文件生成完毕，但有 " + std::to_string(m_unwritten) +
                      " 个文件未能写入（见前面的提示）。",
                  "URL生成", Icon::Warning);
        return;
    }
    ui.msgbox("恭喜，URL文件生成完毕！", "URL生成", Icon::Information);
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
    if (!busyflag || !m_inet || !m_host || m_inmakeurl) {
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
            Lowered done(busyflag);
            ++m_failures;
            if (m_host->settings().report) {
                logfailure(urlstr, kTimeoutReason);
            }
        }
        return;
    }
    m_host->polltimer(false);
    Lowered done(busyflag);
    finishpage();
}

void UrlRun::finishpage()
{
    // Every address without a shortcut is counted, and with the report on, logged with
    // its reason: a refused address, a failed transfer, a page without a title.
    const PageResult result = pageresult(*m_inet);
    const UrlSettings settings = m_host->settings();
    if (!result.title) {
        if (result.reason.empty()) {
            return;
        }
        ++m_failures;
        if (settings.report) {
            logfailure(urlstr, result.reason);
        }
        return;
    }
    if (settings.content.empty()) {
        return;
    }
    const std::string path =
        urlgen::shortcutpath(settings.folder, urlgen::shortcutname(*result.title));
    const std::string content = urlgen::fillurl(settings.content, urlstr) + kCrLf;
    try {
        // A symbolic link of that name is replaced, never written through: the shortcut
        // stays inside the chosen folder.
        m_shortcuts.write(path, platform::togbk(content));
    } catch (const platform::SysError& e) {
        ++m_unwritten;
        if (m_ui) {
            m_ui->msgbox(e.what(), kAppTitle, Icon::Critical);
        }
    }
}

void UrlRun::logfailure(const std::string& url, const std::string& reason)
{
    try {
        errlog(url, reason);
    } catch (const platform::SysError& e) {
        ++m_unwritten;
        if (m_ui) {
            m_ui->msgbox(e.what(), kAppTitle, Icon::Critical);
        }
    }
}

void UrlRun::errlog(const std::string& url, const std::string& reason)
{
    const std::string path = platform::datafolder() + "/" + kErrorLogName;
    bool fresh = true;
    try {
        fresh = platform::filesize(path) == 0;
    } catch (const platform::SysError&) {
        // Missing (or unreadable, which the append below reports).
    }
    std::string lines;
    if (fresh) {
        lines += std::string("网址") + kBlanks + "错误原因" + kCrLf;
    }
    lines += url + kBlanks + reason + kCrLf;
    platform::appendbytes(path, platform::togbk(lines));
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
    busyflag = false;
}

} // namespace morvik
