// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/dbrecord.h"

#include "platform/syserror.h"
#include "platform/text/codec.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik
{

namespace
{

constexpr size_t kRecordLength = 700;
constexpr size_t kKeyWidth = 20;
constexpr size_t kValueWidth = 600;
constexpr size_t kNoteWidth = 80;
constexpr std::string_view kSeparator = "|$|";

// Length in bytes of the GBK/GB18030 character at i, so a cut never splits one. Bytes
// that form no character (carried-through raw bytes) count one each.
size_t charlength(std::string_view s, size_t i)
{
    const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    if (c < 0x81 || c == 0xFF || i + 1 >= s.size()) {
        return 1;
    }
    const unsigned char second = at(i + 1);
    if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE)) {
        return 2;
    }
    if (second >= 0x30 && second <= 0x39 && i + 3 < s.size() && at(i + 2) >= 0x81 &&
        at(i + 2) <= 0xFE && at(i + 3) >= 0x30 && at(i + 3) <= 0x39) {
        return 4;
    }
    return 1;
}

// The text in GBK, left-aligned in a field of `width` bytes: padded with spaces, or cut
// at the last whole character that fits (the byte or bytes left over become spaces).
std::string field(const std::string& text, size_t width)
{
    const std::string bytes = platform::togbk(text);
    size_t kept = 0;
    while (kept < bytes.size()) {
        const size_t len = charlength(bytes, kept);
        if (kept + len > width) {
            break;
        }
        kept += len;
    }
    std::string out = bytes.substr(0, kept);
    out.resize(width, ' ');
    return out;
}

std::string_view trimspaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

std::string fieldtext(std::string_view record, size_t offset, size_t width)
{
    return platform::fromgbk(trimspaces(record.substr(offset, width)));
}

class StoreFile
{
public:
    StoreFile(const std::string& path, bool write) : m_path(path)
    {
        platform::refusenul(path);
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0 && !write && (errno == EACCES || errno == EROFS)) {
            m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (m_fd < 0) {
            throw platform::SysError(path, errno);
        }
        // A store without any write permission is read-only for root too, like every
        // other file the program rewrites.
        struct stat st {
        };
        if (write && ::fstat(m_fd, &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            ::close(m_fd);
            m_fd = -1;
            throw platform::SysError(path, platform::kReadOnlyReason);
        }
    }
    ~StoreFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    off_t length() const
    {
        struct stat st {
        };
        if (::fstat(m_fd, &st) != 0) {
            throw platform::SysError(m_path, errno);
        }
        return st.st_size;
    }

    // Record r counted from 1; only called for records that lie wholly in the file.
    std::string readrecord(long long r) const
    {
        std::string record(kRecordLength, '\0');
        const off_t offset = static_cast<off_t>((r - 1) * static_cast<long long>(kRecordLength));
        size_t done = 0;
        while (done < record.size()) {
            const ssize_t n = ::pread(m_fd, record.data() + done, record.size() - done,
                                      offset + static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw platform::SysError(m_path, errno);
            }
            if (n == 0) {
                throw platform::SysError(m_path, "the file ended inside a record");
            }
            done += static_cast<size_t>(n);
        }
        return record;
    }

    // The bytes from `offset` to the end of the file (`size` of them).
    std::string readtail(off_t offset, off_t size) const
    {
        std::string bytes(static_cast<size_t>(size), '\0');
        const ssize_t n = ::pread(m_fd, bytes.data(), bytes.size(), offset);
        if (n < 0) {
            throw platform::SysError(m_path, errno);
        }
        bytes.resize(static_cast<size_t>(n));
        return bytes;
    }

    void writerecord(long long r, const std::string& record)
    {
        const off_t offset = static_cast<off_t>((r - 1) * static_cast<long long>(kRecordLength));
        size_t done = 0;
        while (done < record.size()) {
            const ssize_t n = ::pwrite(m_fd, record.data() + done, record.size() - done,
                                       offset + static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw platform::SysError(m_path, errno);
            }
            done += static_cast<size_t>(n);
        }
    }

    // Closes now so that a failure of the last write (reported only by close on some
    // file systems) reaches the caller.
    void close()
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) {
            throw platform::SysError(m_path, errno);
        }
    }

private:
    std::string m_path;
    int m_fd = -1;
};

// The first record whose key, without its surrounding spaces, is `key`; 0 when none.
// Records are scanned while their number is not above count, so a partial record at
// the end of a damaged file is never read.
long long findkey(const StoreFile& file, double count, const std::string& key)
{
    for (long long r = 1; static_cast<double>(r) <= count; ++r) {
        if (fieldtext(file.readrecord(r), 0, kKeyWidth) == key) {
            return r;
        }
    }
    return 0;
}

// The record cut short at the end of a damaged file when its key is `key`; 0 otherwise.
long long partialkey(const StoreFile& file, off_t length, const std::string& key)
{
    const off_t whole = length / static_cast<off_t>(kRecordLength);
    const off_t rest = length - whole * static_cast<off_t>(kRecordLength);
    if (rest == 0) {
        return 0;
    }
    const std::string part = file.readtail(whole * static_cast<off_t>(kRecordLength), rest);
    return fieldtext(part, 0, kKeyWidth) == key ? static_cast<long long>(whole) + 1 : 0;
}

// The floating-point record count plus one, rounded half to even, worked out in whole
// numbers (no maths library, which morvik-cli would otherwise load for this alone).
long long recordafter(off_t length)
{
    const auto size = static_cast<long long>(kRecordLength);
    const long long next = length / size + 1;
    const long long twicerest = length % size * 2;
    return twicerest > size || (twicerest == size && next % 2 == 1) ? next + 1 : next;
}

} // namespace

std::string dbrecord(const std::string& filepath, const std::string& key, bool write,
                     const std::string& value, const std::string& note)
{
    StoreFile file(filepath, write);
    const off_t length = file.length();
    const double count = static_cast<double>(length) / static_cast<double>(kRecordLength);

    if (!write) {
        std::string result;
        if (length > 0) {
            if (const long long r = findkey(file, count, key); r > 0) {
                const std::string record = file.readrecord(r);
                result = fieldtext(record, 0, kKeyWidth);
                result += kSeparator;
                result += fieldtext(record, kKeyWidth, kValueWidth);
                result += kSeparator;
                result += fieldtext(record, kKeyWidth + kValueWidth, kNoteWidth);
            }
        }
        file.close();
        return result;
    }

    const std::string record =
        field(key, kKeyWidth) + field(value, kValueWidth) + field(note, kNoteWidth);
    std::string result;
    if (length == 0) {
        file.writerecord(1, record);
        result = "newrec";
    } else if (const long long r = findkey(file, count, key); r > 0) {
        file.writerecord(r, record);
        result = "modrec";
    } else if (const long long r = partialkey(file, length, key); r > 0) {
        // A record cut short at the end that holds the key is completed in place: a new
        // record further on would stay hidden behind it once the cut one reads whole.
        file.writerecord(r, record);
        result = "modrec";
    } else {
        // Past the last whole record, rounded half to even: for a whole-record file the
        // record just after the end.
        file.writerecord(recordafter(length), record);
        result = "apprec";
    }
    file.close();
    return result;
}

std::string recordvalue(const std::string& record)
{
    const size_t first = record.find(kSeparator);
    if (first == std::string::npos) {
        return {};
    }
    const size_t start = first + kSeparator.size();
    const size_t second = record.find(kSeparator, start);
    return record.substr(start, second == std::string::npos ? std::string::npos : second - start);
}

} // namespace morvik
