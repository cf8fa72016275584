// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/net/http.h"

#include "platform/text/charsets.h"
#include "platform/text/codec.h"

#include "platform/net/curllibrary.h"
#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace morvik::platform
{

namespace
{

using Clock = std::chrono::steady_clock;

// Bytes of the body as they arrive, kept on the transfer thread only.
struct Receiver {
    std::string chunk;
    bool full = false;     // the write callback refused bytes beyond kChunkSize
    bool complete = false; // kChunkSize bytes are in: nothing more is wanted
    Clock::time_point lastactivity = Clock::now();
};

size_t onbody(char* data, size_t size, size_t count, void* user)
{
    auto* rx = static_cast<Receiver*>(user);
    const size_t n = size * count;
    rx->lastactivity = Clock::now();
    const size_t take = std::min(n, kChunkSize - rx->chunk.size());
    rx->chunk.append(data, take);
    if (take < n) {
        // A short count makes libcurl end the transfer: the rest is never read.
        rx->full = true;
    }
    rx->complete = rx->chunk.size() == kChunkSize;
    return take;
}

size_t onheader(char*, size_t size, size_t count, void* user)
{
    static_cast<Receiver*>(user)->lastactivity = Clock::now();
    return size * count;
}

struct Easy {
    const CurlLibrary& curl;
    CURL* handle = curl.easy_init();
    ~Easy()
    {
        if (handle) {
            curl.easy_cleanup(handle);
        }
    }
};

struct Multi {
    const CurlLibrary& curl;
    CURLM* handle = curl.multi_init();
    ~Multi()
    {
        if (handle) {
            curl.multi_cleanup(handle);
        }
    }
};

} // namespace

struct HttpTransfer::State {
    mutable std::mutex mutex;
    // Guarded by mutex.
    bool executing = false;
    long responsecode = 0;
    std::string chunk;
    std::string contenttype;
    std::string errortext;
    std::string failure;
    bool rejected = false;
    std::function<void()> ondone;
    CURLM* multi = nullptr; // the running transfer's, for waking it on stop()

    std::atomic<bool> stoprequested{false};
    // Started and joined by the owner's thread only.
    std::thread worker;

    void finish(long code, bool stillexecuting, std::string body, std::string type,
                std::string error, bool refused = false, std::string why = {})
    {
        std::function<void()> callback;
        {
            std::lock_guard lock(mutex);
            if (stoprequested) {
                // stop() has already reported the end; nobody waits for this one.
                return;
            }
            executing = stillexecuting;
            responsecode = code;
            chunk = std::move(body);
            contenttype = std::move(type);
            errortext = std::move(error);
            failure = std::move(why);
            rejected = refused;
            callback = ondone;
        }
        if (callback) {
            callback();
        }
    }
};

namespace
{

// Whether the transfer ended on the address it was given, before any request: a scheme
// it does not take, or an address it cannot parse. The same errors after a redirect are
// the redirect's.
bool refusedatstart(const CurlLibrary& curl, CURL* e, CURLcode result)
{
    if (result != CURLE_UNSUPPORTED_PROTOCOL && result != CURLE_URL_MALFORMAT) {
        return false;
    }
    long redirects = 0;
    curl.easy_getinfo(e, CURLINFO_REDIRECT_COUNT, &redirects);
    return redirects == 0;
}

void run(HttpTransfer::State& state, const std::string& url, const HttpTimeouts& timeouts)
{
    const CurlLibrary* library = CurlLibrary::get();
    if (!library) {
        // Every address fails alike, with the reason the library could not be loaded.
        const std::string problem = "HTTP 传输组件不可用：" + CurlLibrary::problem();
        state.finish(0, false, {}, {}, problem, false, problem);
        return;
    }
    const CurlLibrary& curl = *library;
    Easy easy{curl};
    Multi multi{curl};
    if (!easy.handle || !multi.handle) {
        state.finish(0, false, {}, {}, "Cannot create an HTTP transfer", false,
                     "Cannot create an HTTP transfer");
        return;
    }
    Receiver rx;
    char errbuf[CURL_ERROR_SIZE] = {};
    CURL* e = easy.handle;
    curl.easy_setopt(e, CURLOPT_URL, url.c_str());
    curl.easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl.easy_setopt(e, CURLOPT_ERRORBUFFER, errbuf);
    curl.easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl.easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl.easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl.easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl.easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl.easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl.easy_setopt(e, CURLOPT_USERAGENT, "Morvik/1.1");
    curl.easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectms);
    curl.easy_setopt(e, CURLOPT_TIMEOUT_MS, timeouts.totalms);
    // A name still being resolved must not hold up stop() or the destructor.
    curl.easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    curl.easy_setopt(e, CURLOPT_WRITEFUNCTION, onbody);
    curl.easy_setopt(e, CURLOPT_WRITEDATA, &rx);
    curl.easy_setopt(e, CURLOPT_HEADERFUNCTION, onheader);
    curl.easy_setopt(e, CURLOPT_HEADERDATA, &rx);

    curl.multi_add_handle(multi.handle, e);
    {
        std::lock_guard lock(state.mutex);
        state.multi = multi.handle;
    }

    enum class Ending { Done, Idle, Stopped, Broken };
    Ending ending = Ending::Done;
    CURLcode result = CURLE_OK;
    std::string multierror;
    const auto idle = std::chrono::milliseconds(timeouts.idlems);
    for (;;) {
        int running = 0;
        const CURLMcode mc = curl.multi_perform(multi.handle, &running);
        if (mc != CURLM_OK) {
            ending = Ending::Broken;
            multierror = curl.multi_strerror(mc);
            break;
        }
        bool done = false;
        int left = 0;
        while (CURLMsg* msg = curl.multi_info_read(multi.handle, &left)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0) {
            break;
        }
        // A server that sends exactly the chunk and then falls silent must not turn a
        // finished page into a timeout: once the chunk is whole, the transfer is over.
        if (rx.complete) {
            break;
        }
        if (state.stoprequested) {
            ending = Ending::Stopped;
            break;
        }
        long waitms = 1000;
        if (timeouts.idlems > 0) {
            const auto quiet = Clock::now() - rx.lastactivity;
            if (quiet >= idle) {
                ending = Ending::Idle;
                break;
            }
            const auto rest =
                std::chrono::duration_cast<std::chrono::milliseconds>(idle - quiet).count() + 1;
            waitms = std::min(waitms, static_cast<long>(rest));
        }
        // Returns early for socket activity, libcurl's own timers and curl_multi_wakeup().
        curl.multi_poll(multi.handle, nullptr, 0, static_cast<int>(waitms), nullptr);
    }

    {
        std::lock_guard lock(state.mutex);
        state.multi = nullptr;
    }
    curl.multi_remove_handle(multi.handle, e);

    switch (ending) {
    case Ending::Stopped:
        return;
    case Ending::Idle:
        state.finish(kTimedOutCode, true, {}, {},
                     "Timeout: nothing received for " + std::to_string(timeouts.idlems) + " ms");
        return;
    case Ending::Broken:
        state.finish(0, false, {}, {}, multierror, false, multierror);
        return;
    case Ending::Done:
        break;
    }

    const std::string error = errbuf[0] ? std::string(errbuf) : curl.easy_strerror(result);
    const std::string why = result == CURLE_OK ? std::string() : curl.easy_strerror(result);
    if (refusedatstart(curl, e, result)) {
        state.finish(0, false, {}, {}, error, true, why);
        return;
    }
    if (result == CURLE_OPERATION_TIMEDOUT || result == CURLE_TOO_MANY_REDIRECTS) {
        state.finish(kTimedOutCode, true, {}, {}, error);
        return;
    }
    // A body cut at kChunkSize is the normal end. A server that closed the connection
    // early still delivered the bytes that arrived, and those may hold the page's title.
    const bool cut = result == CURLE_WRITE_ERROR && rx.full;
    const bool partial =
        (result == CURLE_PARTIAL_FILE || result == CURLE_RECV_ERROR) && !rx.chunk.empty();
    if (result != CURLE_OK && !cut && !partial) {
        state.finish(0, false, {}, {}, error, false, why);
        return;
    }
    long code = 0;
    curl.easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
    const char* type = nullptr;
    curl.easy_getinfo(e, CURLINFO_CONTENT_TYPE, &type);
    state.finish(code, false, std::move(rx.chunk), type ? type : "",
                 partial ? error : std::string(), false, partial ? why : std::string());
}

} // namespace

HttpTransfer::HttpTransfer(HttpTimeouts timeouts)
    : m_timeouts(timeouts), m_state(std::make_shared<State>())
{
    // Loads libcurl on the owner's thread, before any transfer thread needs it.
    CurlLibrary::get();
}

HttpTransfer::~HttpTransfer()
{
    stop();
    if (m_state->worker.joinable()) {
        m_state->worker.join();
    }
}

void HttpTransfer::start(const std::string& url)
{
    stop();
    if (m_state->worker.joinable()) {
        m_state->worker.join();
    }
    {
        std::lock_guard lock(m_state->mutex);
        m_state->executing = true;
        m_state->responsecode = 0;
        m_state->chunk.clear();
        m_state->contenttype.clear();
        m_state->errortext.clear();
        m_state->failure.clear();
        m_state->rejected = false;
        m_state->stoprequested = false;
    }
    try {
        m_state->worker = std::thread(
            [state = m_state, url, timeouts = m_timeouts] { run(*state, url, timeouts); });
    } catch (...) {
        // No thread, no transfer: nothing may look as if it were still running.
        std::lock_guard lock(m_state->mutex);
        m_state->executing = false;
        throw;
    }
}

bool HttpTransfer::stillexecuting() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->executing;
}

long HttpTransfer::responsecode() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->responsecode;
}

std::string HttpTransfer::getchunk() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->chunk;
}

std::string HttpTransfer::contenttype() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->contenttype;
}

std::string HttpTransfer::errortext() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->errortext;
}

std::string HttpTransfer::failure() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->failure;
}

bool HttpTransfer::rejected() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->rejected;
}

void HttpTransfer::stop()
{
    std::lock_guard lock(m_state->mutex);
    if (!m_state->executing) {
        return;
    }
    m_state->stoprequested = true;
    m_state->executing = false;
    m_state->errortext = "Transfer stopped";
    if (m_state->multi) {
        // A transfer is running, so the library is loaded.
        CurlLibrary::get()->multi_wakeup(m_state->multi);
    }
}

void HttpTransfer::setondone(std::function<void()> ondone)
{
    std::lock_guard lock(m_state->mutex);
    m_state->ondone = std::move(ondone);
}

std::string decodechunk(const std::string& chunk, const std::string& contenttype)
{
    std::string charset = charsetparameter(contenttype);
    if (charset.empty()) {
        charset = metacharset(chunk);
    }
    // Pages that claim UTF-8 but are written in GBK are common enough: when the bytes
    // cannot be UTF-8, the claim is not believed.
    const std::string_view bytes(chunk);
    if (iconvcharset(charset) == "UTF-8" && !isutf8(bytes.substr(0, completeutf8(bytes)))) {
        charset.clear();
    }
    // The chunk ends at a fixed size, so its last character may be cut.
    return decodecharsetcut(bytes, charset);
}

} // namespace morvik::platform
