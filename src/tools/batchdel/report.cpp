// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batchdel/report.h"

#include "platform/fs/appfolder.h"
#include "platform/text/codec.h"
#include "platform/fs/fileops.h"
#include "platform/fs/fsobject.h"

#include <exception>

namespace morvik::batchdel
{

namespace
{

constexpr const char* kHeader = "---未能删除的文件---";
constexpr const char* kGap = "                "; // 16 spaces between path and reason

// A path that is not UTF-8 goes into the report as its own bytes.
std::string pathtogbk(const std::string& path)
{
    return platform::isutf8(path) ? platform::togbk(path) : path;
}

} // namespace

std::string reportpath()
{
    return platform::datafolder() + "/Err_Report.txt";
}

std::string reasontext(int reason)
{
    switch (reason) {
    case kInUse:
        return "错误原因：文件正在被使用";
    case kNotFound:
        return "错误原因：文件未找到";
    default:
        return {};
    }
}

std::string unreadabletext(const std::string& systemreason)
{
    return "错误原因：文件夹无法读取（" + systemreason + "）";
}

std::optional<platform::SysError> report(const std::string& filename, int reason)
{
    return reportline(filename, reasontext(reason));
}

std::optional<platform::SysError> reportline(const std::string& filename,
                                             const std::string& reasontext)
{
    std::string path;
    try {
        path = reportpath();
        std::string bytes;
        // A report left empty (its first append failed) still gets its header.
        if (!platform::visiblefileexists(path) || platform::filesize(path) == 0) {
            bytes = platform::togbk(kHeader) + "\r\n\r\n";
        }
        bytes += pathtogbk(filename) + kGap + platform::togbk(reasontext) + "\r\n";
        platform::appendbytes(path, bytes);
    } catch (const platform::SysError& e) {
        return e;
    } catch (const std::exception& e) {
        return platform::SysError(path, e.what());
    }
    return std::nullopt;
}

} // namespace morvik::batchdel
