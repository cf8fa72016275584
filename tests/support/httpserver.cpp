// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/httpserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace morvik::test
{

namespace
{

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

[[noreturn]] void fail(const char* what)
{
    throw std::runtime_error(std::string("test HTTP server: ") + what + ": " +
                             std::strerror(errno));
}

// A proxy set in the environment must not carry the tests' loopback requests away.
void bypassproxyforloopback()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char* name : {"no_proxy", "NO_PROXY"}) {
            const char* old = std::getenv(name);
            std::string value = old && *old ? std::string(old) + ",127.0.0.1" : "127.0.0.1";
            setenv(name, value.c_str(), 1);
        }
    });
}

const char* reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// A gzip stream fed piece by piece.
class Gzip
{
public:
    Gzip()
    {
        if (deflateInit2(&m_z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw std::runtime_error("test HTTP server: deflateInit2 failed");
        }
    }
    ~Gzip() { deflateEnd(&m_z); }
    Gzip(const Gzip&) = delete;
    Gzip& operator=(const Gzip&) = delete;

    // Compresses the input; flush is Z_NO_FLUSH, Z_SYNC_FLUSH or Z_FINISH.
    std::string feed(std::string_view in, int flush)
    {
        std::string out;
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        m_z.avail_in = static_cast<uInt>(in.size());
        char buffer[16384];
        do {
            m_z.next_out = reinterpret_cast<Bytef*>(buffer);
            m_z.avail_out = sizeof buffer;
            deflate(&m_z, flush);
            out.append(buffer, sizeof buffer - m_z.avail_out);
        } while (m_z.avail_out == 0);
        return out;
    }

private:
    z_stream m_z{};
};

} // namespace

struct HttpServer::Connection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
};

std::string HttpRequest::header(std::string_view name) const
{
    const std::string wanted = lower(name);
    for (const auto& [key, value] : headers) {
        if (lower(key) == wanted) {
            return value;
        }
    }
    return {};
}

HttpReply HttpReply::page(std::string body, std::string contenttype)
{
    HttpReply r;
    r.headers.emplace_back("Content-Type", std::move(contenttype));
    r.body = std::move(body);
    return r;
}

HttpReply HttpReply::redirect(std::string location, int status)
{
    HttpReply r;
    r.status = status;
    r.headers.emplace_back("Location", std::move(location));
    r.headers.emplace_back("Content-Type", "text/html");
    r.body = "<html><head><title>Moved</title></head></html>";
    return r;
}

HttpReply HttpReply::hanging()
{
    HttpReply r;
    r.hang = true;
    return r;
}

HttpReply HttpReply::endlessbody(std::string start)
{
    HttpReply r = page(std::move(start));
    r.endless = true;
    return r;
}

HttpReply HttpReply::trickling(std::string body, std::chrono::milliseconds interval)
{
    HttpReply r = page(std::move(body));
    r.trickle = interval;
    return r;
}

HttpServer::HttpServer()
{
    bypassproxyforloopback();
    if (pipe2(m_wake, O_CLOEXEC) != 0) {
        fail("pipe2");
    }
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0) {
        fail("socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        fail("bind");
    }
    if (listen(m_listener, 128) != 0) {
        fail("listen");
    }
    if (getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        fail("getsockname");
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptloop(); });
}

HttpServer::~HttpServer()
{
    stop();
}

void HttpServer::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped) {
            return;
        }
        m_stopped = true;
    }
    const char byte = 1;
    while (write(m_wake[1], &byte, 1) < 0 && errno == EINTR) {
    }
    m_acceptor.join();
    for (auto& c : m_connections) {
        c.thread.join();
    }
    m_connections.clear();
    close(m_listener);
    close(m_wake[0]);
    close(m_wake[1]);
}

void HttpServer::route(const std::string& path, HttpReply reply)
{
    route(path, Handler([reply = std::move(reply)](const HttpRequest&) { return reply; }));
}

void HttpServer::route(const std::string& path, Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(handler);
}

std::string HttpServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

int HttpServer::requests(std::string_view path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_counts.find(path);
    return it == m_counts.end() ? 0 : it->second;
}

int HttpServer::totalrequests() const
{
    std::lock_guard lock(m_mutex);
    return m_total;
}

HttpRequest HttpServer::lastrequest(std::string_view path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_last.find(path);
    return it == m_last.end() ? HttpRequest{} : it->second;
}

void HttpServer::acceptloop()
{
    for (;;) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents) {
            return;
        }
        const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        // Finished connections are joined here so a long test does not pile up threads.
        m_connections.remove_if([](Connection& c) {
            if (!*c.done) {
                return false;
            }
            c.thread.join();
            return true;
        });
        Connection& c = m_connections.emplace_back();
        c.thread = std::thread([this, fd, done = c.done] {
            serve(fd);
            close(fd);
            *done = true;
        });
    }
}

bool HttpServer::waitreadable(int fd, int timeoutms) const
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    for (;;) {
        const int n = poll(fds, 2, timeoutms);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n > 0 && !fds[1].revents && fds[0].revents;
    }
}

bool HttpServer::sendall(int fd, std::string_view bytes, std::chrono::milliseconds trickle) const
{
    while (!bytes.empty()) {
        if (trickle.count() > 0) {
            pollfd wake = {m_wake[0], POLLIN, 0};
            if (poll(&wake, 1, static_cast<int>(trickle.count())) != 0) {
                return false; // stopping (or poll failed)
            }
        }
        pollfd fds[2] = {{fd, POLLOUT, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[1].revents || (fds[0].revents & (POLLERR | POLLHUP))) {
            return false;
        }
        const size_t piece = trickle.count() > 0 ? 1 : bytes.size();
        const ssize_t sent = send(fd, bytes.data(), piece, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

void HttpServer::serve(int fd)
{
    std::string raw;
    size_t end = std::string::npos;
    char buffer[4096];
    while ((end = raw.find("\r\n\r\n")) == std::string::npos) {
        if (raw.size() > 65536 || !waitreadable(fd, -1)) {
            return;
        }
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return;
        }
        raw.append(buffer, static_cast<size_t>(n));
    }

    HttpRequest request;
    size_t lineend = raw.find("\r\n");
    const std::string line = raw.substr(0, lineend);
    const size_t sp1 = line.find(' ');
    const size_t sp2 = line.find(' ', sp1 == std::string::npos ? sp1 : sp1 + 1);
    if (sp1 == std::string::npos || sp2 == std::string::npos) {
        return;
    }
    request.method = line.substr(0, sp1);
    request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    request.path = request.target.substr(0, request.target.find('?'));
    for (size_t at = lineend + 2; at < end; at = lineend + 2) {
        lineend = raw.find("\r\n", at);
        const std::string header = raw.substr(at, lineend - at);
        const size_t colon = header.find(':');
        if (colon != std::string::npos) {
            const size_t value = header.find_first_not_of(" \t", colon + 1);
            request.headers.emplace_back(header.substr(0, colon), value == std::string::npos
                                                                      ? std::string()
                                                                      : header.substr(value));
        }
    }

    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        ++m_counts[request.path];
        ++m_total;
        m_last[request.path] = request;
        if (const auto it = m_routes.find(request.path); it != m_routes.end()) {
            handler = it->second;
        }
    }
    HttpReply reply;
    try {
        reply = handler ? handler(request)
                        : HttpReply::page("<html><head><title>404 Not Found</title></head></html>");
        if (!handler) {
            reply.status = 404;
        }
    } catch (const std::exception& e) {
        reply = HttpReply::page(e.what(), "text/plain");
        reply.status = 500;
    }

    if (reply.reset) {
        // A zero linger time makes the close send a reset instead of an orderly end.
        const linger abort{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        return;
    }
    if (reply.hang) {
        // Wait for the client to go away or the server to stop.
        while (waitreadable(fd, -1) && recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
        return;
    }

    std::string body;
    std::unique_ptr<Gzip> gzip;
    if (reply.gzip) {
        gzip = std::make_unique<Gzip>();
        body = gzip->feed(reply.body, reply.endless ? Z_SYNC_FLUSH : Z_FINISH);
    } else {
        body = reply.body;
    }

    std::string head =
        "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) + "\r\n";
    bool haslength = false;
    for (const auto& [name, value] : reply.headers) {
        haslength =
            haslength || lower(name) == "content-length" || lower(name) == "transfer-encoding";
        head += name + ": " + value + "\r\n";
    }
    if (reply.gzip) {
        head += "Content-Encoding: gzip\r\n";
    }
    if (!haslength && !reply.endless) {
        head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    head += "Connection: close\r\n\r\n";

    if (!sendall(fd, head, {}) || !sendall(fd, body, reply.trickle)) {
        return;
    }
    if (reply.stall) {
        while (waitreadable(fd, -1) && recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
        return;
    }
    if (reply.endless) {
        const std::string filler(1 << 16, ' ');
        if (gzip) {
            // Each 64 KiB of spaces comes to about a hundred bytes on the wire.
            while (sendall(fd, gzip->feed(filler, Z_SYNC_FLUSH), reply.trickle)) {
            }
            return;
        }
        while (sendall(fd, filler, reply.trickle)) {
        }
        return;
    }
    // Let the client read everything before the socket closes.
    shutdown(fd, SHUT_WR);
    while (waitreadable(fd, 2000) && recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
}

} // namespace morvik::test
