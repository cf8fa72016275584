// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/failures.h"

#include <algorithm>

namespace morvik::append
{

namespace
{
// A message box taller than the screen hides its own button.
constexpr std::size_t kShownFailures = 25;
} // namespace

std::string failuretext(const std::string& heading, const std::vector<FileFailure>& failures)
{
    std::string text = heading;
    const std::size_t shown = std::min(failures.size(), kShownFailures);
    for (std::size_t i = 0; i < shown; ++i) {
        text += "\r\n" + failures[i].path + "：" + failures[i].reason;
    }
    if (failures.size() > shown) {
        text += "\r\n……另有 " + std::to_string(failures.size() - shown) + " 个文件";
    }
    return text;
}

} // namespace morvik::append

namespace morvik::append
{

std::string savefailuretext(const std::string& storefile, const std::string& reason)
{
    return "设置未能保存到 " + storefile + "：" + reason;
}

} // namespace morvik::append
