// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/urlpages.h"

#include "common/runjournal.h"
#include "platform/fs/appfolder.h"
#include "platform/fs/fileops.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/journal.h"
#include "platform/fs/pathname.h"
#include "platform/net/http.h"
#include "platform/syserror.h"
#include "platform/text/codec.h"
#include "platform/text/wildcard.h"
#include "run/progress.h"
#include "tools/urlgen/shortcut.h"

namespace morvik
{

namespace
{

constexpr const char* kBlanks = "          "; // ten, between the columns of the log
constexpr const char* kCrLf = "\r\n";
// Why a rehearsal counts a shortcut as not written: the check refused it.
constexpr const char* kNotWritable = "无法写入";

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

} // namespace

std::string urldonetext(std::size_t unwritten)
{
    // A shortcut or log line that could not be written was named before; the end does not
    // then claim success.
    if (unwritten > 0) {
        return "URL文件生成完毕，但有 " + std::to_string(unwritten) +
               " 个文件未能写入（见前面的提示）。";
    }
    return "恭喜，URL文件生成完毕！";
}

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

void appendlogline(const std::string& url, const std::string& reason)
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

UrlList readurllist(const std::string& listpath, const std::function<std::string()>& folder)
{
    UrlList list;
    if (!islistfile(listpath)) {
        list.refusal =
            Refusal{kUrlListField, Refusal::Problem::NotFound, "请指定正确的URL地址列表文件"};
        return list;
    }
    // An empty folder text is no folder: refused like the other tools' empty folder boxes,
    // never taken for the data folder (the application folder of a portable copy).
    if (folder().empty()) {
        list.refusal = Refusal{kUrlFolderField, Refusal::Problem::Missing, "请指定存储位置"};
        return list;
    }
    std::string bytes;
    try {
        bytes = platform::readbytes(listpath);
    } catch (const platform::SysError& e) {
        list.refusal = Refusal{kUrlListField, Refusal::Problem::Unreadable, e.what()};
        return list;
    }
    if (bytes.empty()) {
        list.state = UrlList::Empty;
        return list;
    }
    list.state = UrlList::Read;
    list.addresses = listaddresses(bytes);
    return list;
}

UrlPages::UrlPages() = default;

UrlPages::~UrlPages()
{
    finishjournal();
}

void UrlPages::begin(Progress* progress)
{
    finishjournal();
    m_progress = progress;
    m_rehearsed.clear();
    m_outcome = {};
}

bool UrlPages::startjournal(const std::string& folder, Ui& ui)
{
    finishjournal();
    if (m_progress && m_progress->rehearsing()) {
        return true;
    }
    // The folder the shortcuts go to, as shortcutpath() resolves it, opened once.
    const std::string out = platform::parentfolder(urlgen::shortcutpath(folder, "-"));
    const int fd = m_shortcuts.open(out);
    if (fd < 0) {
        return true; // each shortcut then names the folder and why it cannot be written
    }
    std::unique_ptr<platform::Journal> journal;
    if (!morvik::startjournal(fd, "url", out, ui, journal)) {
        return false;
    }
    m_journal = std::move(journal);
    m_shortcuts.setjournal(m_journal.get());
    m_shortcuts.open(out);
    return true;
}

void UrlPages::finishjournal()
{
    if (!m_journal) {
        return;
    }
    m_shortcuts.setjournal(nullptr);
    m_journal->finish();
    m_journal.reset();
}

void UrlPages::timedout(const std::string& url, const UrlSettings& settings)
{
    failed(url, kTimeoutReason, settings);
}

void UrlPages::finished(const std::string& url, const PageResult& result,
                        const UrlSettings& settings)
{
    // Every address without a shortcut is counted, and with the report on, logged with
    // its reason: a refused address, a failed transfer, a page without a title.
    if (!result.title) {
        if (!result.reason.empty()) {
            failed(url, result.reason, settings);
        }
        return;
    }
    if (!settings.content.empty()) {
        writeshortcut(url, *result.title, settings);
    }
}

void UrlPages::failed(const std::string& url, const std::string& reason,
                      const UrlSettings& settings)
{
    ++m_outcome.skipped;
    if (!settings.report || (m_progress && m_progress->rehearsing())) {
        return;
    }
    try {
        appendlogline(url, reason);
    } catch (const platform::SysError& e) {
        m_outcome.failures.push_back({e.path(), e.reason()});
    }
}

void UrlPages::writeshortcut(const std::string& url, const std::string& title,
                             const UrlSettings& settings)
{
    const std::string path = urlgen::shortcutpath(settings.folder, urlgen::shortcutname(title));
    if (m_progress && m_progress->rehearsing()) {
        // The real run would write this file again for a later page of the same title:
        // named once, and counted each time it would fail.
        auto [named, fresh] = m_rehearsed.try_emplace(path, false);
        if (fresh) {
            named->second = m_progress->rehearse(path);
        }
        if (!named->second) {
            m_outcome.failures.push_back({path, kNotWritable});
        }
        return;
    }
    const std::string content = urlgen::fillurl(settings.content, url) + kCrLf;
    try {
        // A symbolic link of that name is replaced, never written through: the shortcut
        // stays inside the chosen folder.
        m_shortcuts.write(path, platform::togbk(content));
        ++m_outcome.done;
    } catch (const platform::SysError& e) {
        m_outcome.failures.push_back({e.path(), e.reason()});
    }
}

} // namespace morvik
