// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// What a fetched page and the template become: the shortcut's file name and content.
// Texts are UTF-8 (with the codec's escapes for bytes that decoded as nothing).
namespace morvik::urlgen
{

// The longest file name the file system takes, in bytes, ".url" included.
inline constexpr std::size_t kMaxNameBytes = 255;

// The text after the first "<title>" up to the next "<title>" or "</title>" (or to the
// end); nullopt when the page has no "<title>". Case-sensitive, nothing trimmed.
std::optional<std::string> titleof(std::string_view page);

// Character references decoded as a browser shows them: "&amp;", "&lt;", "&#47;",
// "&#x4E2D;" and the common named ones. Unknown or unterminated ones stay as written.
std::string decodereferences(std::string_view text);

// Each run of white space that holds a line break, a tab or another control character
// becomes one space; such runs at the start or the end are dropped. Runs of plain
// spaces stay as they are.
std::string collapsecontrols(std::string_view text);

// The shortcut's file name for a page title (".url" appended), as bytes: references
// decoded, control runs collapsed, the shared cleanname applied, every forbidden
// character left after it made "-", and cut to kMaxNameBytes without splitting a
// character. The name is UTF-8 (file names on Linux are; the file's contents stay GBK):
// bytes that the codec escaped, and any other bytes that form no character, become
// U+FFFD. The result never holds "/" and is never "." or "..", so it names an entry of
// the chosen folder.
std::string shortcutname(std::string_view title);

// The template with "URL=" followed by the address at each "URL=" (left to right,
// without overlap).
std::string fillurl(std::string_view content, std::string_view url);

// Where a shortcut goes: the output folder when it exists and ends in "/", otherwise the
// data folder.
std::string shortcutpath(const std::string& folder, const std::string& name);

// The progress mark after one tick: one more ">", and the empty text instead of five.
std::string nextmark(std::string_view mark);

// The line with leading and trailing spaces removed (tabs stay).
std::string trimblanks(std::string_view text);

} // namespace morvik::urlgen
