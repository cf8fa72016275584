// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace morvik
{
class Ui;
}

namespace morvik::batchdel
{

// The names of a list file, in file order.
struct ListFile {
    // False when the file could not be opened or read: a message naming the file and
    // the system's reason has been shown, and the run skips its list phase.
    bool readable = true;
    std::vector<std::string> entries;

    // The entries joined by "," (the empty text when there are none).
    std::string text() const;
};

// Reads a list file. A file holding a "," anywhere is one comma-separated list (line
// breaks stay inside the entries); otherwise every line is an entry (a line ends at LF,
// CR LF or CR), empty lines before the first non-empty one dropped. An empty name or an
// empty file shows its warning and gives no entries. The bytes are decoded as UTF-8
// when valid, else GBK; entries come back as path bytes.
ListFile readfile(const std::string& filename, Ui& ui);

} // namespace morvik::batchdel
