// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text inside the program is UTF-8. Files on disk are GBK (GB18030 for characters
// GBK lacks) or UTF-8. Bytes that decode in neither are carried through: each such byte
// b becomes the escape sequence of U+DC80+b inside the UTF-8 text and turns back into
// b when encoded again, so a read-modify-write never loses a byte.
namespace morvik::platform
{

enum class Encoding { Utf8, Utf8Bom, Gbk };

// UTF-8 text to GBK bytes (GB18030 four-byte forms for characters outside GBK).
// Escaped bytes turn back into themselves.
std::string togbk(std::string_view utf8);

// GBK/GB18030 bytes to UTF-8 text; undecodable bytes become escapes.
std::string fromgbk(std::string_view gbk);

// The first character of the text that the encoding cannot hold, or the empty text when
// it holds them all. UTF-8 holds everything; GBK (with GB18030) all but a few private-use
// characters. Escapes count as held: they stand for raw bytes.
std::string unencodable(std::string_view utf8, Encoding encoding);

// Whether the bytes are valid UTF-8.
bool isutf8(std::string_view bytes);

// The position of the first byte at or after `from` that is not ASCII, or the size of
// `bytes` when there is none.
std::size_t asciiend(std::string_view bytes, std::size_t from = 0);

// Detection for reading: valid UTF-8 (with or without BOM) is UTF-8, anything else GBK,
// a file that starts with a BOM included.
Encoding detect(std::string_view bytes);

// Bytes as read from a file to UTF-8 text, by detection. The BOM of a UTF-8 file is
// dropped; a BOM before bytes that are not UTF-8 is carried through as three escaped
// bytes, and the GBK text starts after it.
std::string decode(std::string_view bytes, Encoding* found = nullptr);

// UTF-8 text to bytes of the given encoding (a BOM is written for Utf8Bom).
std::string encode(std::string_view utf8, Encoding encoding);

// Decodes bytes by a web charset label ("utf-8", "gbk", "big5", "shift_jis",
// "iso-8859-1", ...), mapped to a converter as browsers map labels (see charsets.h).
// Bytes that do not decode become escapes. A label browsers do not know, or one whose
// converter iconv lacks, falls back to detection.
std::string decodecharset(std::string_view bytes, std::string_view charset);

// The same for bytes cut off at an arbitrary point (the first chunk of a page): a
// character left incomplete at the end is dropped rather than carried through.
std::string decodecharsetcut(std::string_view bytes, std::string_view charset);

// Bytes of the charset iconv calls `iconvname` (see iconvcharset()) to UTF-8 text, strictly:
// nothing when a byte sequence is not a character of that charset, or when iconv lacks it.
std::optional<std::string> fromcharsetexact(std::string_view bytes, const std::string& iconvname);

// UTF-8 text to bytes of the charset iconv calls `iconvname`, ended in its initial shift
// state. Nothing when a character cannot be held (`bad` then gets it; empty when iconv
// lacks the charset).
std::optional<std::string> tocharset(std::string_view utf8, const std::string& iconvname,
                                     std::string* bad = nullptr);

// Length of the bytes without an incomplete UTF-8 sequence at their very end.
std::size_t completeutf8(std::string_view bytes);

// Text for display: escapes shown as U+FFFD.
std::string displayable(std::string_view utf8);

// Splits text into lines: LF, CR LF and CR each end a line (files written on Linux end
// their lines with LF alone). A last line break does not add an empty line.
std::vector<std::string> splitlines(std::string_view text);

} // namespace morvik::platform
