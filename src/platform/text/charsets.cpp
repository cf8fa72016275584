// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/charsets.h"

#include <array>

namespace morvik::platform
{

namespace
{

struct Charset {
    std::string_view iconvname;
    std::string_view labels; // separated by single spaces
};

// The labels of the web's encoding table, each with the iconv converter that decodes
// what browsers decode for it: the single-byte Latin labels all mean windows-1252,
// Big5 includes the Hong Kong extensions, Shift_JIS and EUC-KR are Microsoft's
// supersets. "cp936" is not a web label, but pages use it for GBK.
constexpr std::array kCharsets{
    Charset{"UTF-8", "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    Charset{"GB18030", "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 "
                       "x-gbk gb18030 cp936"},
    Charset{"BIG5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    Charset{"CP932", "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    Charset{"EUC-JP", "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    Charset{"ISO-2022-JP", "csiso2022jp iso-2022-jp"},
    Charset{"CP949", "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 "
                     "ksc5601 ksc_5601 windows-949"},
    Charset{"CP1252",
            "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 "
            "iso88591 iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    Charset{"CP1250", "cp1250 windows-1250 x-cp1250"},
    Charset{"CP1251", "cp1251 windows-1251 x-cp1251"},
    Charset{"CP1253", "cp1253 windows-1253 x-cp1253"},
    Charset{"CP1254", "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 "
                      "iso_8859-9:1989 l5 latin5 windows-1254 x-cp1254"},
    Charset{"CP1255", "cp1255 windows-1255 x-cp1255"},
    Charset{"CP1256", "cp1256 windows-1256 x-cp1256"},
    Charset{"CP1257", "cp1257 windows-1257 x-cp1257"},
    Charset{"CP1258", "cp1258 windows-1258 x-cp1258"},
    Charset{"CP874", "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    Charset{"KOI8-R", "cskoi8r koi koi8 koi8-r koi8_r"},
    Charset{"KOI8-U", "koi8-ru koi8-u"},
    Charset{"CP866", "866 cp866 csibm866 ibm866"},
    Charset{"MACINTOSH", "csmacintosh mac macintosh x-mac-roman"},
    Charset{"ISO-8859-2", "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 "
                          "iso_8859-2:1987 l2 latin2"},
    Charset{"ISO-8859-3", "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 "
                          "iso_8859-3:1988 l3 latin3"},
    Charset{"ISO-8859-4", "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 "
                          "iso_8859-4:1988 l4 latin4"},
    Charset{"ISO-8859-5", "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 "
                          "iso_8859-5 iso_8859-5:1988"},
    Charset{"ISO-8859-6",
            "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 "
            "iso-8859-6-e iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    Charset{"ISO-8859-7", "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 "
                          "iso8859-7 iso88597 iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
    Charset{"ISO-8859-8",
            "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 "
            "iso88598 iso_8859-8 iso_8859-8:1988 visual csiso88598i iso-8859-8-i logical"},
    Charset{"ISO-8859-10", "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    Charset{"ISO-8859-13", "iso-8859-13 iso8859-13 iso885913"},
    Charset{"ISO-8859-14", "iso-8859-14 iso8859-14 iso885914"},
    Charset{"ISO-8859-15", "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    Charset{"ISO-8859-16", "iso-8859-16"},
};

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// The value after "charset=" in a lower-cased text, without quotes; empty when none.
std::string charsetin(std::string_view text)
{
    const auto at = text.find("charset");
    if (at == std::string_view::npos) {
        return {};
    }
    size_t i = at + 7;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    if (i >= text.size() || text[i] != '=') {
        return charsetin(text.substr(at + 7));
    }
    ++i;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '"' || text[i] == '\'')) {
        ++i;
    }
    size_t end = i;
    while (end < text.size() && text[end] != '"' && text[end] != '\'' && text[end] != ';' &&
           text[end] != ' ' && text[end] != '\t' && text[end] != '>' && text[end] != '/' &&
           text[end] != ',') {
        ++end;
    }
    return std::string(text.substr(i, end - i));
}

std::string normalized(std::string_view label)
{
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    };
    while (!label.empty() && blank(label.front())) {
        label.remove_prefix(1);
    }
    while (!label.empty() && blank(label.back())) {
        label.remove_suffix(1);
    }
    return lower(label);
}

} // namespace

std::string iconvcharset(std::string_view label)
{
    const std::string name = normalized(label);
    if (name.empty() || name.find(' ') != std::string::npos) {
        return {};
    }
    for (const Charset& charset : kCharsets) {
        const std::string_view labels = charset.labels;
        for (std::size_t at = labels.find(name); at != std::string_view::npos;
             at = labels.find(name, at + 1)) {
            const std::size_t end = at + name.size();
            const bool whole =
                (at == 0 || labels[at - 1] == ' ') && (end == labels.size() || labels[end] == ' ');
            if (whole) {
                return std::string(charset.iconvname);
            }
        }
    }
    return {};
}

std::string charsetparameter(std::string_view text)
{
    return charsetin(lower(text));
}

std::string metacharset(std::string_view page)
{
    const std::string lowered = lower(page);
    size_t at = 0;
    while ((at = lowered.find("<meta", at)) != std::string::npos) {
        const size_t end = lowered.find('>', at);
        const std::string_view tag =
            std::string_view(lowered).substr(at, end == std::string::npos ? end : end - at);
        std::string charset = charsetin(tag);
        if (!charset.empty()) {
            return charset;
        }
        if (end == std::string::npos) {
            break;
        }
        at = end;
    }
    return {};
}

} // namespace morvik::platform
