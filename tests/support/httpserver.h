// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace morvik::test
{

// One request as the server read it.
struct HttpRequest {
    std::string method;
    std::string target; // as sent, query included
    std::string path;   // the target without its query
    std::vector<std::pair<std::string, std::string>> headers;

    // The value of a header (name compared case-insensitively), empty when absent.
    std::string header(std::string_view name) const;
};

// What the server sends for a request. The plain case is status, headers and body;
// the flags make a misbehaving server. "Connection: close" is always sent, and
// "Content-Length" unless the headers give one or "Transfer-Encoding" (then the body is
// sent as given) or the body is endless.
struct HttpReply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The body goes out gzip-compressed with "Content-Encoding: gzip". With `endless`
    // this is a compression bomb: a few bytes on the wire, no end once decompressed.
    bool gzip = false;
    // After the body, spaces without end until the client goes or the server stops.
    bool endless = false;
    // Read the request, then never answer until the client goes or the server stops.
    bool hang = false;
    // Read the request, then reset the connection without an answer.
    bool reset = false;
    // After the body, send nothing more but keep the connection open until the client
    // goes or the server stops.
    bool stall = false;
    // Above zero: headers at once, then the body one byte per interval.
    std::chrono::milliseconds trickle{0};

    // 200 with the body and its Content-Type.
    static HttpReply page(std::string body, std::string contenttype = "text/html");
    // A redirect to `location` (absolute, or a path on this server).
    static HttpReply redirect(std::string location, int status = 302);
    static HttpReply hanging();
    // 200 with `start` followed by spaces without end.
    static HttpReply endlessbody(std::string start);
    // 200 with the body sent one byte per interval.
    static HttpReply trickling(std::string body, std::chrono::milliseconds interval);
};

// A small HTTP/1.1 server on 127.0.0.1 at a free port, for tests. It serves from
// construction until stop() or destruction, one thread per connection, one request per
// connection. Routes are matched by exact path (query ignored); an unknown path gets 404.
//
//     HttpServer server;
//     server.route("/a", HttpReply::page("<title>A</title>"));
//     server.route("/slow", HttpReply::hanging());
//     fetch(server.url("/a"));
//     EXPECT_EQ(server.requests("/a"), 1);
//
// Routes may be added or replaced while serving. Handlers run on connection threads.
class HttpServer
{
public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void route(const std::string& path, HttpReply reply);
    void route(const std::string& path, Handler handler);

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by the path.
    std::string url(std::string_view path) const;
    // How many requests arrived for the path (counted once the request has been read).
    int requests(std::string_view path) const;
    int totalrequests() const;
    // The last request for the path (empty method when none came).
    HttpRequest lastrequest(std::string_view path) const;

    // Stops accepting, closes every open connection (hanging and endless ones too) and
    // waits for all connection threads. Idempotent.
    void stop();

private:
    struct Connection;
    void acceptloop();
    void serve(int fd);
    bool waitreadable(int fd, int timeoutms) const;
    bool sendall(int fd, std::string_view bytes, std::chrono::milliseconds trickle) const;
    void sendbody(int fd, const HttpReply& reply) const;

    int m_listener = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1}; // readable once the server stops
    std::thread m_acceptor;
    std::list<Connection> m_connections; // touched by the accept thread, then by stop()

    mutable std::mutex m_mutex;
    std::map<std::string, Handler, std::less<>> m_routes;
    std::map<std::string, int, std::less<>> m_counts;
    std::map<std::string, HttpRequest, std::less<>> m_last;
    int m_total = 0;
    bool m_stopped = false;
};

} // namespace morvik::test
