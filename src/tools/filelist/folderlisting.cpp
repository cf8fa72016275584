// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/filelist/folderlisting.h"

#include "platform/fs/fd.h"
#include "platform/fs/fsobject.h"
#include "platform/syserror.h"
#include "platform/text/codec.h"
#include "platform/text/wildcard.h"

#include <fcntl.h>

namespace morvik::filelist
{

namespace
{

constexpr std::string_view kCrLf = "\r\n";
// Text gathered before it is converted and handed on.
constexpr std::size_t kPieceBytes = 64 * 1024;
// Room for the line that takes a piece past kPieceBytes: a full path and a name.
constexpr std::size_t kLineRoom = 8 * 1024;

// Gathers a listing's text and hands it on in pieces that end at a line's end, converted
// to GBK when asked: GBK is a character-by-character encoding, so converting the pieces
// gives the bytes converting the whole would.
class PieceWriter
{
public:
    PieceWriter(bool gbk, const ListSink& sink) : m_gbk(gbk), m_sink(sink)
    {
        m_text.reserve(kPieceBytes + kLineRoom);
    }

    std::string& text() { return m_text; }
    void lineended()
    {
        if (m_text.size() >= kPieceBytes) {
            flush();
        }
    }
    void flush()
    {
        if (m_text.empty()) {
            return;
        }
        if (m_gbk) {
            m_sink(platform::togbk(m_text));
        } else {
            m_sink(m_text);
        }
        m_text.clear();
    }

private:
    bool m_gbk;
    const ListSink& m_sink;
    std::string m_text;
};

// The folder in front of a file's name in a line of full paths, as ListGenerator writes it.
std::string fileprefix(const std::string& folder)
{
    std::string prefix;
    appendpathtext(prefix, folder);
    return prefix + '/';
}

// The same for a subfolder's name, as the subfolder's path (folder + "/" + name, "/" +
// name at the root) reads.
std::string subfolderprefix(const std::string& folder)
{
    return folder == "/" ? "/" : fileprefix(folder);
}

void writelines(SortedNames& names, const std::string& prefix, PieceWriter& out)
{
    bool first = true;
    names.inorder([&](std::string_view name) {
        std::string& text = out.text();
        if (!first) {
            text += kCrLf;
            out.lineended();
        }
        first = false;
        out.text() += prefix;
        appendnametext(out.text(), name);
    });
}

std::string childpath(const std::string& folder, std::string_view name)
{
    std::string path = folder == "/" ? std::string() : folder;
    path += '/';
    path += name;
    return path;
}

} // namespace

FolderListing::FolderListing(std::string folder, const platform::PatternFilter& filter)
    : m_folder(std::move(folder))
{
    const platform::Fd fd(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) {
        throw platform::SysError(m_folder, errno);
    }
    platform::readentries(fd.get(), m_folder, [this, &filter](const platform::FolderEntry& entry) {
        if (entry.folder) {
            m_subfolders.add(entry.name);
        } else if (entry.regular && entry.name[0] != '.' && filter.matches(entry.name)) {
            m_files.add(entry.name);
        }
    });
}

void FolderListing::write(const ListOptions& options, bool gbk, const ListSink& sink)
{
    PieceWriter out(gbk, sink);
    const bool withfolders = options.includefolders && !m_subfolders.empty();
    const bool withfiles = options.includefiles && !m_files.empty();
    if (withfolders) {
        out.text() += kFolderHeading;
        out.text() += kCrLf;
        writelines(m_subfolders, options.absolute ? subfolderprefix(m_folder) : std::string(), out);
    }
    if (withfiles) {
        if (withfolders) {
            out.text() += kCrLf;
            out.text() += kCrLf;
        }
        out.text() += kFileHeading;
        out.text() += kCrLf;
        out.text() += kCrLf;
        writelines(m_files, options.absolute ? fileprefix(m_folder) : std::string(), out);
    }
    out.text() += kCrLf;
    out.flush();
}

void FolderListing::writenames(bool absolute, bool folders, bool files, const ListSink& sink)
{
    std::string bytes;
    const auto writeall = [&](SortedNames& names) {
        names.inorder([&](std::string_view name) {
            bytes += absolute ? childpath(m_folder, name) : std::string(name);
            bytes += '\0';
            if (bytes.size() >= kPieceBytes) {
                sink(bytes);
                bytes.clear();
            }
        });
    };
    if (folders) {
        writeall(m_subfolders);
    }
    if (files) {
        writeall(m_files);
    }
    if (!bytes.empty()) {
        sink(bytes);
    }
}

} // namespace morvik::filelist
