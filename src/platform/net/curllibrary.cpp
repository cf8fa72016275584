// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/net/curllibrary.h"

#include <dlfcn.h>

namespace morvik::platform
{

struct CurlLibrary::Loaded {
    CurlLibrary library;
    bool ok = false;
    std::string problem;
};

namespace
{

// Looks up one function; on failure says which one is missing (an older libcurl).
template <typename Function>
bool bind(void* handle, const char* name, Function& slot, std::string& problem)
{
    void* symbol = dlsym(handle, name);
    if (!symbol) {
        problem = std::string(kCurlLibraryName) + " 中没有函数 " + name + "（版本过旧）";
        return false;
    }
    slot = reinterpret_cast<Function>(symbol);
    return true;
}

} // namespace

const CurlLibrary::Loaded& CurlLibrary::loaded()
{
    static const Loaded loaded = [] {
        Loaded l;
        // RTLD_LOCAL: libcurl's symbols stay out of the global scope. The handle is never
        // closed: the library stays until the process ends, as a linked one would.
        void* handle = dlopen(kCurlLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            l.problem = std::string("无法载入 ") + kCurlLibraryName + "：" + (why ? why : "?");
            return l;
        }
        CurlLibrary& c = l.library;
        const bool bound =
            bind(handle, "curl_global_init", c.global_init, l.problem) &&
            bind(handle, "curl_version_info", c.version_info, l.problem) &&
            bind(handle, "curl_easy_init", c.easy_init, l.problem) &&
            bind(handle, "curl_easy_cleanup", c.easy_cleanup, l.problem) &&
            bind(handle, "curl_easy_setopt", c.easy_setopt, l.problem) &&
            bind(handle, "curl_easy_getinfo", c.easy_getinfo, l.problem) &&
            bind(handle, "curl_easy_strerror", c.easy_strerror, l.problem) &&
            bind(handle, "curl_multi_init", c.multi_init, l.problem) &&
            bind(handle, "curl_multi_cleanup", c.multi_cleanup, l.problem) &&
            bind(handle, "curl_multi_add_handle", c.multi_add_handle, l.problem) &&
            bind(handle, "curl_multi_remove_handle", c.multi_remove_handle, l.problem) &&
            bind(handle, "curl_multi_perform", c.multi_perform, l.problem) &&
            bind(handle, "curl_multi_info_read", c.multi_info_read, l.problem) &&
            bind(handle, "curl_multi_poll", c.multi_poll, l.problem) &&
            bind(handle, "curl_multi_wakeup", c.multi_wakeup, l.problem) &&
            bind(handle, "curl_multi_strerror", c.multi_strerror, l.problem);
        if (!bound) {
            return l;
        }
        const CURLcode init = c.global_init(CURL_GLOBAL_DEFAULT);
        if (init != CURLE_OK) {
            l.problem = std::string(kCurlLibraryName) + " 初始化失败：" + c.easy_strerror(init);
            return l;
        }
        l.ok = true;
        return l;
    }();
    return loaded;
}

const CurlLibrary* CurlLibrary::get()
{
    const Loaded& l = loaded();
    return l.ok ? &l.library : nullptr;
}

std::string CurlLibrary::problem()
{
    return loaded().problem;
}

} // namespace morvik::platform
