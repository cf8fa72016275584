// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace morvik::platform
{

// The response code a transfer reports when it timed out (also for a redirect loop
// and for a transfer that exceeded its overall time cap).
inline constexpr long kTimedOutCode = 35761;
// Only this many body bytes are kept; the transfer ends once they have arrived.
inline constexpr std::size_t kChunkSize = 4096;

struct HttpTimeouts {
    long connectms = 5000; // cannot connect within this time: timed out
    long idlems = 5000;    // nothing received for this long: timed out
    long totalms = 60000;  // cap on the whole transfer
};

// An asynchronous HTTP GET over libcurl, the stand-in of the Internet transfer control.
// start() returns at once; the transfer runs on its own thread. Redirects (http and
// https only, at most 10) are followed, compressed bodies accepted, proxy variables
// honoured. Thread-safe: the UI thread polls while the transfer thread works.
class HttpTransfer
{
public:
    explicit HttpTransfer(HttpTimeouts timeouts = {});
    ~HttpTransfer(); // stops a running transfer and waits for its thread
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Starts a GET of the address; a transfer still running is stopped first.
    void start(const std::string& url);
    // True while the request is in progress. A timed-out request stays "executing"
    // with responsecode() == kTimedOutCode, as the control it stands in for did.
    bool stillexecuting() const;
    // kTimedOutCode after a timeout, else the HTTP status (0 before a response).
    long responsecode() const;
    // The first at most kChunkSize bytes of the body, undecoded (empty when none).
    std::string getchunk() const;
    // The Content-Type header of the final response (empty when none).
    std::string contenttype() const;
    // libcurl's error text when the transfer failed, empty on success.
    std::string errortext() const;
    // Why a transfer that ended without its page failed, in libcurl's short words for the
    // error (the same for every address it befalls, unlike errortext()); also set for a
    // page cut short by the failure. Empty when the transfer ended normally.
    std::string failure() const;
    // True when the transfer refused the address before trying to connect: a scheme
    // other than http and https, or a malformed address (a blank or a control character
    // in it, say). A server that cannot be reached is not a refused address.
    bool rejected() const;
    // Stops a running transfer; returns at once.
    void stop();
    // Called on the transfer thread when a transfer ends (to wake an event loop).
    void setondone(std::function<void()> ondone);

    struct State;

private:
    HttpTimeouts m_timeouts;
    std::shared_ptr<State> m_state;
};

// Decodes a fetched chunk to UTF-8: by the charset label of the Content-Type header, else
// of a <meta charset> or http-equiv tag in the chunk (mapped as browsers map labels);
// with no label, an unknown one or a UTF-8 claim that the bytes contradict, UTF-8 when
// valid, else GBK. A character cut by the end of the chunk is dropped.
std::string decodechunk(const std::string& chunk, const std::string& contenttype);

} // namespace morvik::platform
