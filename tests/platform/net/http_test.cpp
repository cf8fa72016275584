// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/net/http.h"

#include "support/httpserver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

using morvik::platform::decodechunk;
using morvik::platform::HttpTimeouts;
using morvik::platform::HttpTransfer;
using morvik::platform::kChunkSize;
using morvik::platform::kTimedOutCode;
using morvik::test::HttpReply;
using morvik::test::HttpServer;
using namespace std::chrono_literals;

namespace
{

// Signals the end of a transfer through the ondone callback.
class Done
{
public:
    explicit Done(HttpTransfer& transfer) : m_transfer(transfer)
    {
        transfer.setondone([this] {
            std::lock_guard lock(m_mutex);
            ++m_count;
            m_changed.notify_all();
        });
    }
    ~Done() { m_transfer.setondone({}); }
    // Waits (generously) for the next end; false when none came.
    bool wait()
    {
        std::unique_lock lock(m_mutex);
        const int want = m_seen + 1;
        const bool ended = m_changed.wait_for(lock, 60s, [&] { return m_count >= want; });
        m_seen = m_count;
        return ended;
    }
    int count()
    {
        std::lock_guard lock(m_mutex);
        return m_count;
    }

private:
    HttpTransfer& m_transfer;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
    int m_seen = 0;
};

// Bytes that differ from position to position, so a wrong cut shows.
std::string pattern(size_t size)
{
    std::string s;
    for (size_t i = 0; i < size; ++i) {
        s += static_cast<char>('a' + (i * 7 + i / 26) % 26);
    }
    return s;
}

// Waits for a condition met by another thread; false when the deadline passed.
template <class Pred> bool eventually(Pred pred)
{
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A loopback port that nobody listens on.
int closedport()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

const HttpTimeouts kNeverTimesOut{600000, 600000, 600000};

} // namespace

TEST(HttpTransfer, FetchesPageWithStatusAndType)
{
    HttpServer server;
    const std::string page = "<html><head><title>Home</title></head><body>hi</body></html>";
    server.route("/index.html", HttpReply::page(page, "text/html; charset=utf-8"));
    HttpTransfer transfer;
    Done done(transfer);
    EXPECT_FALSE(transfer.stillexecuting());
    transfer.start(server.url("/index.html"));
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), 200);
    EXPECT_EQ(transfer.getchunk(), page);
    EXPECT_EQ(transfer.contenttype(), "text/html; charset=utf-8");
    EXPECT_EQ(transfer.errortext(), "");
    EXPECT_EQ(server.requests("/index.html"), 1);
    EXPECT_EQ(server.lastrequest("/index.html").method, "GET");
}

TEST(HttpTransfer, ErrorPageBodyIsKept)
{
    HttpServer server;
    HttpTransfer transfer;
    Done done(transfer);
    transfer.start(server.url("/missing?x=1"));
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), 404);
    EXPECT_NE(transfer.getchunk().find("<title>404 Not Found</title>"), std::string::npos);
    EXPECT_EQ(server.lastrequest("/missing").target, "/missing?x=1");
}

TEST(HttpTransfer, KeepsOnlyTheFirstChunk)
{
    HttpServer server;
    const std::string body = pattern(100000);
    server.route("/long", HttpReply::page(body));
    server.route("/exact", HttpReply::page(body.substr(0, kChunkSize)));
    server.route("/endless", HttpReply::endlessbody("<title>Forever</title>"));
    HttpReply bomb = HttpReply::endlessbody("<title>Bomb</title>");
    bomb.gzip = true;
    server.route("/bomb", bomb);

    const std::string endless = "<title>Forever</title>" + std::string(kChunkSize, ' ');
    const std::string bombed = "<title>Bomb</title>" + std::string(kChunkSize, ' ');
    const struct {
        const char* path;
        std::string expected;
    } cases[] = {
        {"/long", body.substr(0, kChunkSize)},
        {"/exact", body.substr(0, kChunkSize)},
        {"/endless", endless.substr(0, kChunkSize)},
        {"/bomb", bombed.substr(0, kChunkSize)},
    };
    HttpTransfer transfer(kNeverTimesOut);
    Done done(transfer);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        transfer.start(server.url(c.path));
        ASSERT_TRUE(done.wait());
        EXPECT_FALSE(transfer.stillexecuting());
        EXPECT_EQ(transfer.responsecode(), 200);
        EXPECT_EQ(transfer.getchunk(), c.expected);
        EXPECT_EQ(transfer.errortext(), "");
    }
}

TEST(HttpTransfer, EndsOnceTheChunkIsWholeEvenIfTheServerFallsSilent)
{
    // The page announces more than it sends, stops after exactly one chunk and keeps the
    // connection open: the chunk is all that was wanted, so this is a page, not a timeout.
    HttpServer server;
    const std::string body = pattern(kChunkSize);
    HttpReply silent = HttpReply::page(body);
    silent.headers.emplace_back("Content-Length", std::to_string(2 * kChunkSize));
    silent.stall = true;
    server.route("/silent", silent);
    HttpTimeouts t;
    t.idlems = 300;
    t.totalms = 600000;
    HttpTransfer transfer(t);
    Done done(transfer);
    transfer.start(server.url("/silent"));
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), 200);
    EXPECT_EQ(transfer.getchunk(), body);
    EXPECT_EQ(transfer.errortext(), "");
}

TEST(HttpTransfer, AcceptsCompressedBodies)
{
    HttpServer server;
    const std::string body = "<title>Packed</title>" + pattern(2000);
    HttpReply packed = HttpReply::page(body);
    packed.gzip = true;
    server.route("/packed", packed);
    HttpTransfer transfer;
    Done done(transfer);
    transfer.start(server.url("/packed"));
    ASSERT_TRUE(done.wait());
    EXPECT_EQ(transfer.responsecode(), 200);
    EXPECT_EQ(transfer.getchunk(), body);
    EXPECT_NE(server.lastrequest("/packed").header("accept-encoding").find("gzip"),
              std::string::npos);
}

TEST(HttpTransfer, SilentServerTimesOutAndStaysExecuting)
{
    HttpServer server;
    server.route("/hang", HttpReply::hanging());
    HttpTimeouts t;
    t.idlems = 300;
    t.totalms = 600000;
    HttpTransfer transfer(t);
    Done done(transfer);
    transfer.start(server.url("/hang"));
    ASSERT_TRUE(done.wait());
    EXPECT_TRUE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), kTimedOutCode);
    EXPECT_EQ(transfer.getchunk(), "");
    EXPECT_NE(transfer.errortext(), "");
}

TEST(HttpTransfer, SlowTrickleWithinIdleLimitCompletes)
{
    HttpServer server;
    server.route("/slow", HttpReply::trickling("<title>Slow</title>", 20ms));
    HttpTimeouts t;
    t.idlems = 2000;
    HttpTransfer transfer(t);
    Done done(transfer);
    transfer.start(server.url("/slow"));
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.getchunk(), "<title>Slow</title>");
}

TEST(HttpTransfer, TrickleBeyondTheCapTimesOut)
{
    HttpServer server;
    HttpReply trickle = HttpReply::endlessbody("<title>Drip</title>");
    trickle.trickle = 10ms;
    server.route("/drip", trickle);
    HttpTimeouts t;
    t.idlems = 5000;
    t.totalms = 500;
    HttpTransfer transfer(t);
    Done done(transfer);
    transfer.start(server.url("/drip"));
    ASSERT_TRUE(done.wait());
    EXPECT_TRUE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), kTimedOutCode);
}

TEST(HttpTransfer, FollowsRedirectsToTheFinalPage)
{
    HttpServer server;
    server.route("/a", HttpReply::redirect("/b"));
    server.route("/b", HttpReply::redirect(server.url("/c"), 301));
    server.route("/c", HttpReply::redirect("/final", 307));
    server.route("/final", HttpReply::page("<title>Final</title>", "text/plain"));
    HttpTransfer transfer;
    Done done(transfer);
    transfer.start(server.url("/a"));
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), 200);
    EXPECT_EQ(transfer.getchunk(), "<title>Final</title>");
    EXPECT_EQ(transfer.contenttype(), "text/plain");
    for (const char* path : {"/a", "/b", "/c", "/final"}) {
        EXPECT_EQ(server.requests(path), 1) << path;
    }
}

TEST(HttpTransfer, RedirectLoopEndsAsTimeout)
{
    HttpServer server;
    server.route("/loop", HttpReply::redirect("/loop"));
    HttpTransfer transfer;
    Done done(transfer);
    transfer.start(server.url("/loop"));
    ASSERT_TRUE(done.wait());
    EXPECT_TRUE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), kTimedOutCode);
    // The first request and ten redirects followed.
    EXPECT_EQ(server.requests("/loop"), 11);
}

TEST(HttpTransfer, RedirectToOtherProtocolIsRefused)
{
    HttpServer server;
    server.route("/tofile", HttpReply::redirect("file:///etc/passwd"));
    HttpTransfer transfer;
    Done done(transfer);
    transfer.start(server.url("/tofile"));
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.getchunk(), "");
    EXPECT_NE(transfer.errortext(), "");
    // The address itself was taken; the redirect was not.
    EXPECT_FALSE(transfer.rejected());
}

TEST(HttpTransfer, FailuresEndWithoutChunk)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(closedport()) + "/";
    // Only an address the transfer will not try counts as rejected, not one that nobody
    // answers.
    const std::vector<std::pair<std::string, bool>> cases = {
        {"http://[::1/x", true},        {"ftp://127.0.0.1/", true},       {"", true},
        {"http://127.0.0.1/a b", true}, {"http://127.0.0.1/a\x01", true}, {refused, false},
    };
    for (const auto& [url, rejected] : cases) {
        SCOPED_TRACE(url);
        HttpTransfer transfer;
        Done done(transfer);
        transfer.start(url);
        ASSERT_TRUE(done.wait());
        EXPECT_FALSE(transfer.stillexecuting());
        EXPECT_EQ(transfer.responsecode(), 0);
        EXPECT_EQ(transfer.getchunk(), "");
        EXPECT_NE(transfer.errortext(), "");
        EXPECT_EQ(transfer.rejected(), rejected);
    }
}

TEST(HttpTransfer, BodyCutShortByTheServerIsKept)
{
    HttpServer server;
    HttpReply shortbody = HttpReply::page("<title>Short</title>");
    shortbody.headers.emplace_back("Content-Length", "5000");
    server.route("/short", shortbody);
    HttpTransfer transfer;
    Done done(transfer);
    transfer.start(server.url("/short"));
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), 200);
    EXPECT_EQ(transfer.getchunk(), "<title>Short</title>");
    // The early close is still reported.
    EXPECT_NE(transfer.errortext(), "");
}

TEST(HttpTransfer, StopEndsHangingTransfer)
{
    HttpServer server;
    server.route("/hang", HttpReply::hanging());
    server.route("/page", HttpReply::page("<title>Next</title>"));
    HttpTransfer transfer(kNeverTimesOut);
    Done done(transfer);
    transfer.start(server.url("/hang"));
    ASSERT_TRUE(eventually([&] { return server.requests("/hang") == 1; }));
    transfer.stop();
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.getchunk(), "");

    // The next start waits for the stopped one; only the new one reports its end.
    transfer.start(server.url("/page"));
    ASSERT_TRUE(done.wait());
    EXPECT_EQ(done.count(), 1);
    EXPECT_EQ(transfer.getchunk(), "<title>Next</title>");
}

TEST(HttpTransfer, StartReplacesRunningTransfer)
{
    HttpServer server;
    server.route("/hang", HttpReply::hanging());
    server.route("/page", HttpReply::page("<title>Second</title>"));
    HttpTransfer transfer(kNeverTimesOut);
    Done done(transfer);
    transfer.start(server.url("/hang"));
    ASSERT_TRUE(eventually([&] { return server.requests("/hang") == 1; }));
    transfer.start(server.url("/page"));
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.getchunk(), "<title>Second</title>");
}

TEST(HttpTransfer, DestructorEndsRunningTransfers)
{
    HttpServer server;
    server.route("/hang", HttpReply::hanging());
    HttpReply drip = HttpReply::endlessbody("");
    drip.trickle = 50ms;
    server.route("/drip", drip);
    for (const char* path : {"/hang", "/drip"}) {
        auto transfer = std::make_unique<HttpTransfer>(kNeverTimesOut);
        bool called = false;
        transfer->setondone([&called] { called = true; });
        transfer->start(server.url(path));
        ASSERT_TRUE(eventually([&] { return server.requests(path) == 1; }));
        transfer.reset();
        EXPECT_FALSE(called) << path;
    }
}

TEST(HttpServer, StopClosesOpenConnections)
{
    HttpServer server;
    server.route("/hang", HttpReply::hanging());
    HttpTransfer transfer(kNeverTimesOut);
    Done done(transfer);
    transfer.start(server.url("/hang"));
    ASSERT_TRUE(eventually([&] { return server.requests("/hang") == 1; }));
    server.stop();
    ASSERT_TRUE(done.wait());
    EXPECT_FALSE(transfer.stillexecuting());
    EXPECT_EQ(transfer.responsecode(), 0);
    EXPECT_NE(transfer.errortext(), "");
}

// "中文网页" in both encodings.
const std::string kGbk = "\xD6\xD0\xCE\xC4\xCD\xF8\xD2\xB3";
const std::string kUtf8 = "\xE4\xB8\xAD\xE6\x96\x87\xE7\xBD\x91\xE9\xA1\xB5";

TEST(DecodeChunk, FindsTheCharset)
{
    const struct {
        const char* name;
        std::string chunk;
        std::string contenttype;
    } cases[] = {
        {"header", "<title>" + kGbk + "</title>", "text/html; charset=gbk"},
        {"header quoted", "<title>" + kGbk + "</title>", "text/html;Charset=\"GB2312\""},
        {"meta charset", "<meta charset=\"gb2312\"><title>" + kGbk + "</title>", "text/html"},
        {"meta unquoted", "<META CHARSET=GBK><title>" + kGbk + "</title>", ""},
        {"meta http-equiv",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />"
         "<title>" +
             kGbk + "</title>",
         ""},
        {"header wins over meta", "<meta charset=\"gbk\"><title>" + kUtf8 + "</title>",
         "text/html; charset=UTF-8"},
        {"false utf-8 claim", "<title>" + kGbk + "</title>", "text/html; charset=utf-8"},
        {"undeclared utf-8", "<title>" + kUtf8 + "</title>", ""},
        {"undeclared gbk", "<title>" + kGbk + "</title>", "text/html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = decodechunk(c.chunk, c.contenttype);
        EXPECT_NE(text.find("<title>" + kUtf8 + "</title>"), std::string::npos) << text;
    }
}

TEST(DecodeChunk, UndeclaredUtf8CutInsideACharacterStaysUtf8)
{
    // The chunk ends after the first byte of a three-byte character.
    const std::string chunk = "<title>" + kUtf8 + "</title>" + kUtf8.substr(0, 4);
    const std::string text = decodechunk(chunk, "");
    EXPECT_EQ(text, "<title>" + kUtf8 + "</title>" + kUtf8.substr(0, 3));
}

TEST(DecodeChunk, CharsetNotInMetaIsIgnored)
{
    // A charset word in the text, outside a <meta> tag, is no declaration.
    const std::string chunk = "<title>" + kUtf8 + "</title><p>charset=gbk</p>";
    EXPECT_EQ(decodechunk(chunk, ""), chunk);
}
