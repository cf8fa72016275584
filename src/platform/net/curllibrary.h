// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <curl/curl.h>

#include <string>

namespace morvik::platform
{

// The file name libcurl is loaded by: its soname, stable across its releases.
inline constexpr const char* kCurlLibraryName = "libcurl.so.4";

// libcurl, loaded with dlopen the first time a page is to be fetched. The program is not
// linked to it, so the commands and windows that never fetch a page do not load it and
// the thirty libraries behind it (TLS, Kerberos, LDAP, SSH...), which cost every start
// several milliseconds and megabytes. Holds exactly the functions the HTTP transfer and
// its check call; <curl/curl.h> still gives their types and constants.
class CurlLibrary
{
public:
    // The loaded library, with curl_global_init() done; the first call loads it, once for
    // the whole process (thread-safe). Null when it cannot be loaded: problem() says why.
    static const CurlLibrary* get();
    // Why get() is null, naming the library and the loader's reason; empty when it loaded.
    static std::string problem();

    decltype(&curl_global_init) global_init = nullptr;
    decltype(&curl_version_info) version_info = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&curl_easy_strerror) easy_strerror = nullptr;
    decltype(&curl_multi_init) multi_init = nullptr;
    decltype(&curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&curl_multi_perform) multi_perform = nullptr;
    decltype(&curl_multi_info_read) multi_info_read = nullptr;
    decltype(&curl_multi_poll) multi_poll = nullptr;
    decltype(&curl_multi_wakeup) multi_wakeup = nullptr;
    decltype(&curl_multi_strerror) multi_strerror = nullptr;

private:
    CurlLibrary() = default;
    struct Loaded;
    static const Loaded& loaded();
};

} // namespace morvik::platform
