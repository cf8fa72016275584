// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvik::platform
{

// True when the pattern holds "*" or "?" (the test that makes a name a pattern).
bool haswildcard(std::string_view pattern);

// The project's wildcard matcher, case-sensitive, whole name against whole pattern:
// "*" any run of characters (none included), "?" one character, "#" one digit 0-9,
// "[list]" one character of the list, "[a-z]" a range, "[!list]" none of the list;
// every other character matches itself. Characters are UTF-8 code points; a byte that
// is not part of valid UTF-8 counts as one character.
bool wildcardmatch(std::string_view pattern, std::string_view name);

// The filter of a file list: patterns separated by ";" ("*.htm;*.css"). A name passes
// when it matches one of them; "*.*" or "*" among them, or no pattern at all, lets
// every name through (names without a dot included).
class PatternFilter
{
public:
    explicit PatternFilter(std::string_view patterns);
    bool matches(std::string_view name) const;

private:
    std::vector<std::string> m_patterns;
    bool m_all = false;
};

// Directory search of a folder's listing: does any visible file match the pattern?
// An empty pattern means "any visible file".
struct Folder;
bool anyvisiblematch(const Folder& folder, std::string_view pattern);

} // namespace morvik::platform
