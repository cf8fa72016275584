// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace morvik
{

// The settings store: a file of 700-byte records (key 20, value 600, note 80 bytes,
// GBK, space padded). Texts are UTF-8 in this interface.
//
// write: returns "newrec" (file was empty or missing), "modrec" (key found and
// replaced) or "apprec" (appended). read: returns key "|$|" value "|$|" note, each
// trimmed of spaces, or the empty text when the key (or the file) is missing.
// Failures to open, read or write the file throw platform::SysError.
std::string dbrecord(const std::string& filepath, const std::string& key, bool write,
                     const std::string& value = {}, const std::string& note = {});

// The value of a joined record (the piece at index 1 when split at "|$|"), or the empty
// text when the record is empty.
std::string recordvalue(const std::string& record);

// The store file of the program: the data folder + "/db.dat".
std::string dbpath();

} // namespace morvik
