// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "run/outcome.h"

// The list generator: the subfolders and files of one folder as the text of
// filelist.txt, written in GBK into the process's working folder.
namespace morvik::filelist
{

inline constexpr const char* kListFile = "filelist.txt";
inline constexpr const char* kFolderHeading = "----文件夹列表----";
inline constexpr const char* kFileHeading = "----文件列表----";
inline constexpr const char* kTitle = "生成列表";
inline constexpr const char* kDoneText = "恭喜，filelist.txt文件列表已生成！";

// An indexed list of item texts (the folder list's or the file list's entries).
using ItemSource = std::function<std::string(int)>;

struct ItemList {
    ItemSource list;
    int listcount = 0;
    // The vector behind an ItemList::of(), read in place (no copy of each item).
    const std::vector<std::string>* items = nullptr;

    // A list over a vector, which must outlive the ItemList.
    static ItemList of(const std::vector<std::string>& items);
};

struct ListOptions {
    bool absolute = false;      // 使用绝对路径
    bool includefolders = true; // 包含文件夹
    bool includefiles = true;   // 包含文件
};

// The part of oldstr after its last "/"; oldstr whole when it holds none.
std::string cutstr(std::string_view oldstr);

// The first `count` items as lines joined by CR LF, no line break before the first or
// after the last. `kind` "d" (folders) or "f" (files); `mode` 1 for bare names, 2 for
// full paths (files then get folder + "/" + name). Any other kind or mode gives the
// empty text. (The documents name the parameters str1, mycount, str2, a and mypath.)
// Items are path bytes; each component of a path that is not UTF-8 is taken as GBK, so
// the listing written in GBK carries its original bytes and a folder reads the same in
// every line.
std::string getstr(const ItemSource& items, std::int32_t count, std::string_view kind,
                   std::int16_t mode, std::string_view folder);

// Appends a name's bytes as list text: UTF-8 stays as it is; anything else is read as GBK
// (undecodable bytes become escapes), which togbk turns back into the same bytes.
void appendnametext(std::string& out, std::string_view name);
// Appends a path as list text component by component, so that a folder's name reads the
// same in every line of a list, whatever the encoding of the names around it. GBK never
// uses the byte "/" inside a character.
void appendpathtext(std::string& out, std::string_view path);

// The full path of filelist.txt in the working folder (the bare name when the working
// folder cannot be determined).
std::string listfilepath();

// The closing message of a list written to `written`, and of one that could not be.
std::string donetext(const std::string& written);
std::string failedtext(const Failure& failure);

class ListGenerator
{
public:
    // The texts of the last generation (the documents' dirstr, filestr and liststr).
    std::string folderlines; // folder lines joined by CR LF
    std::string filelines;   // file lines joined by CR LF
    std::string listing;     // the whole listing, without the final CR LF

    // Builds folderlines, filelines and listing.
    void build(std::string_view folderpath, const ItemList& subfolders, const ItemList& files,
               const ListOptions& options);

    // Builds the listing and replaces filelist.txt in the working folder with it (GBK,
    // CR LF line ends, one final CR LF). The outcome's report is the file's full path;
    // it is Done with one file written, or names the file and why it could not be
    // written, and the old file stays as it was.
    Outcome generate(std::string_view folderpath, const ItemList& subfolders, const ItemList& files,
                     const ListOptions& options);
};

} // namespace morvik::filelist
