// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/sortednames.h"
#include "tools/filelist/listgen.h"

#include <functional>
#include <string>
#include <string_view>

namespace morvik::platform
{
class PatternFilter;
}

namespace morvik::filelist
{

// Takes a listing's bytes piece by piece.
using ListSink = std::function<void(std::string_view)>;

// The listing of one folder for the command line, read and written out without holding
// a string per name or the whole text: a folder of 100,000 names lists in a few
// megabytes. Its lines are the ones ListGenerator builds over the same names.
class FolderListing
{
public:
    // Reads the folder at the absolute path `folder`: every subfolder, and the visible
    // files whose names `filter` lets through. Throws SysError.
    FolderListing(std::string folder, const platform::PatternFilter& filter);

    // The listing ListGenerator builds, with the final CR LF of filelist.txt, in GBK or,
    // when `gbk` is false, as the program's UTF-8 text.
    void write(const ListOptions& options, bool gbk, const ListSink& sink);
    // The names as they are on disk (full paths when `absolute`), each followed by a NUL:
    // the subfolders when `folders`, then the files when `files`.
    void writenames(bool absolute, bool folders, bool files, const ListSink& sink);

private:
    std::string m_folder;
    SortedNames m_subfolders;
    SortedNames m_files;
};

} // namespace morvik::filelist
