// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batchdel/listfile.h"

#include "platform/fs/fileops.h"
#include "platform/syserror.h"
#include "platform/text/codec.h"

#include <algorithm>

namespace morvik::batchdel
{

namespace
{

// Entries are paths: bytes the decoder could not place turn back into themselves, so a
// name written in neither UTF-8 nor GBK still names the file on disk.
std::string pathbytes(const std::string& text)
{
    return platform::encode(text, platform::Encoding::Utf8);
}

std::vector<std::string> splitcommas(const std::string& text)
{
    std::vector<std::string> out;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        if (comma == std::string::npos) {
            out.push_back(pathbytes(text.substr(start)));
            return out;
        }
        out.push_back(pathbytes(text.substr(start, comma - start)));
        start = comma + 1;
    }
}

} // namespace

std::string ListFile::text() const
{
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            out += ",";
        }
        out += entries[i];
    }
    return out;
}

ListFile readfile(const std::string& filename)
{
    ListFile list;
    if (filename.empty()) {
        list.notice = Notice{Notice::Kind::ListUnnamed, {}, {}, {}};
        return list;
    }
    std::string bytes;
    try {
        bytes = platform::readbytes(filename);
    } catch (const platform::SysError& e) {
        list.notice = Notice{Notice::Kind::ListUnreadable, filename, e.reason(), {}};
        list.readable = false;
        return list;
    }
    if (bytes.empty()) {
        list.notice = Notice{Notice::Kind::ListEmpty, filename, {}, {}};
        return list;
    }
    const std::string text = platform::decode(bytes);
    if (text.find(',') != std::string::npos) {
        list.entries = splitcommas(text);
        return list;
    }
    const auto lines = platform::splitlines(text);
    const auto first = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& line) { return !line.empty(); });
    for (auto it = first; it != lines.end(); ++it) {
        list.entries.push_back(pathbytes(*it));
    }
    return list;
}

} // namespace morvik::batchdel
