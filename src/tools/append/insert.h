// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/text/codec.h"
#include "tools/append/pagestream.h"

#include <string>

namespace morvik
{
class Ui;
}

namespace morvik::platform
{
class RewriteFolder;
}

namespace morvik::append
{

// The separator of a locator "P{:$}STR".
inline constexpr const char* kSeparator = "{:$}";

// Inserts `src` (UTF-8 text) into one file: at the end when `position` is empty, else
// after ("A") or before ("F") every occurrence of the marker named by the locator.
//
// Only the inserted text changes: the file keeps every other byte (its line ends
// included), a file in which the marker does not occur is not rewritten, and the inserted
// text takes the file's line ends (LF in a file whose lines all end in LF, CR LF
// otherwise). At the end of a file whose last line has no line break, one is added
// first; the inserted text ends with a line break. A line break inside the marker matches
// any one line end of the file (CR LF, CR or LF), never half of a CR LF pair. The work is
// done on the file's bytes: the file keeps its encoding (UTF-8, with or without byte-order
// mark, or GBK), the marker and `src` are encoded like it, a marker only matches whole
// characters, and bytes that are valid in neither encoding stay as they were. A file
// holding only ASCII could be either; `plain` decides how text goes into it (the content
// file's own encoding keeps the inserted bytes as the user wrote them). A page whose head
// declares its charset (<meta charset>, http-equiv Content-Type) is written in that
// charset instead, when iconv has it; such a page whose bytes are not that charset's text,
// or would not come back unchanged, is refused.
//
// A locator it cannot use is reported in a message box; then `locatorrejected` is set and false is
// returned. A letter part longer than one letter returns false silently. True means the
// file was handled (rewritten, or left as it was because the marker does not occur). A file that
// cannot be read or written, that is read-only, or that cannot hold the text in its encoding,
// throws platform::SysError naming it; the file keeps its old contents in every case but true.
bool appendtofile(const std::string& filename, const std::string& src, const std::string& position,
                  bool& locatorrejected, Ui& ui,
                  platform::Encoding plain = platform::Encoding::Utf8);

// appendtofile() for the file `name` of an open folder: the same result, reached
// relative to the folder's handle (runs over many files of one folder use this). A page
// larger than `chunk` bytes is read and written a stretch of `chunk` bytes at a time, so
// it takes at most three stretches of memory whatever its size (see kStreamChunk).
bool appendtofileat(const platform::RewriteFolder& folder, const std::string& name,
                    const std::string& src, const std::string& position, bool& locatorrejected,
                    Ui& ui, platform::Encoding plain = platform::Encoding::Utf8,
                    std::size_t chunk = kStreamChunk);

} // namespace morvik::append
