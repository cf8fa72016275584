// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/net/httpcheck.h"

#include "platform/net/curllibrary.h"

#include <cstring>

namespace morvik::platform
{

std::vector<std::string> missingprotocols(const char* const* available,
                                          const std::vector<std::string>& required)
{
    std::vector<std::string> missing;
    for (const auto& protocol : required) {
        bool found = false;
        for (auto p = available; p && *p; ++p) {
            if (protocol == *p) {
                found = true;
                break;
            }
        }
        if (!found) {
            missing.push_back(protocol);
        }
    }
    return missing;
}

std::string httpcheck()
{
    const CurlLibrary* curl = CurlLibrary::get();
    if (!curl) {
        return "HTTP 传输组件不可用：" + CurlLibrary::problem();
    }
    const curl_version_info_data* info = curl->version_info(CURLVERSION_NOW);
    if (!info) {
        return "HTTP 传输组件不可用：无法读取 libcurl 的版本信息";
    }
    const auto missing = missingprotocols(info->protocols, {"http", "https"});
    if (missing.empty()) {
        return {};
    }
    std::string list;
    for (const auto& p : missing) {
        list += list.empty() ? p : ", " + p;
    }
    return "HTTP 传输组件不可用：libcurl " + std::string(info->version ? info->version : "?") +
           " 不支持 " + list;
}

} // namespace morvik::platform
