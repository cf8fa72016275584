// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store on arbitrary file bytes, then a write and a read of a record.
// Properties: reading never fails on a readable file and finds only its key; a write
// changes no whole record but its own and never shortens the file; in a file of whole
// records a key that fits its field reads back what was written (trimmed of spaces),
// and writing it again replaces the same record.
#include "common/dbrecord.h"
#include "platform/text/codec.h"
#include "support.h"

#include <string>

using morvik::fuzz::broken;

namespace
{

constexpr std::size_t kRecord = 700;

std::string trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

// Whether the text goes into a field of `width` bytes and comes back unchanged, but for
// its surrounding spaces.
bool fits(const std::string& text, std::size_t width)
{
    const std::string gbk = morvik::platform::togbk(text);
    return gbk.size() <= width && morvik::platform::fromgbk(gbk) == text;
}

std::size_t changedrecords(std::string_view before, std::string_view after)
{
    std::size_t changed = 0;
    for (std::size_t at = 0; at + kRecord <= before.size(); at += kRecord) {
        if (before.substr(at, kRecord) != after.substr(at, kRecord)) {
            ++changed;
        }
    }
    return changed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto [key, rest1] = morvik::fuzz::splitatnul(morvik::fuzz::asview(data, size));
    const auto [value, rest2] = morvik::fuzz::splitatnul(rest1);
    const auto [note, file] = morvik::fuzz::splitatnul(rest2);
    using morvik::platform::isutf8;
    if (!isutf8(key) || !isutf8(value) || !isutf8(note)) {
        return -1; // texts inside the program are UTF-8
    }
    const std::string k(key), v(value), n(note);
    const std::string path = morvik::fuzz::scratchfile("db.dat", file);
    const std::initializer_list<std::pair<const char*, std::string_view>> pieces = {
        {"key", key}, {"value", value}, {"note", note}, {"file", file}};

    const std::string found = morvik::dbrecord(path, k, false);
    if (!found.empty() && found.substr(0, found.find("|$|")) != k) {
        broken("a read finds only its own key", pieces);
    }

    const std::string result = morvik::dbrecord(path, k, true, v, n);
    const std::string after = morvik::fuzz::readwhole(path);
    if (result != "newrec" && result != "modrec" && result != "apprec") {
        broken("a write says what it did", pieces);
    }
    if (changedrecords(file, after) > 1 || after.size() < file.size()) {
        broken("a write changes no whole record but its own", pieces);
    }
    if (after.size() < kRecord) {
        broken("a written record is whole", pieces);
    }
    // In a file that ends inside a record the write goes past that record, which an
    // equal key in it then hides; round trips are checked on files of whole records.
    if (k != trimmed(k) || !fits(k, 20) || file.size() % kRecord != 0) {
        return 0;
    }
    const std::string back = morvik::dbrecord(path, k, false);
    if (fits(v, 600) && fits(n, 80) && back != k + "|$|" + trimmed(v) + "|$|" + trimmed(n)) {
        broken("a record reads back as written", pieces);
    }
    if (back.empty()) {
        broken("a written key is found", pieces);
    }
    if (morvik::dbrecord(path, k, true, v, n) != "modrec" ||
        changedrecords(after, morvik::fuzz::readwhole(path)) != 0) {
        broken("writing the same record again replaces it with the same bytes", pieces);
    }
    return 0;
}
