// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/outcome.h"

#include <optional>
#include <string>
#include <vector>

namespace morvik::batchdel
{

// The names of a list file, in file order.
struct ListFile {
    // False when the file could not be opened or read: the notice names the file and
    // the system's reason, and the run skips its list phase.
    bool readable = true;
    std::vector<std::string> entries;
    // What the user is told about the file: no name, not readable, no bytes.
    std::optional<Notice> notice;

    // The entries joined by "," (the empty text when there are none).
    std::string text() const;
};

// Reads a list file. A file holding a "," anywhere is one comma-separated list (line
// breaks stay inside the entries); otherwise every line is an entry (a line ends at LF,
// CR LF or CR), empty lines before the first non-empty one dropped. An empty name or an
// empty file gives its notice and no entries. The bytes are decoded as UTF-8 when valid,
// else GBK; entries come back as path bytes.
ListFile readfile(const std::string& filename);

} // namespace morvik::batchdel
