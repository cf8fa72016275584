// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/filelist/listgen.h"
#include "platform/fs/pathname.h"

#include "platform/fs/fileops.h"
#include "platform/syserror.h"
#include "platform/text/codec.h"
#include "run/ui.h"

#include <cstdlib>
#include <unistd.h>

namespace morvik::filelist
{

namespace
{

constexpr std::string_view kCrLf = "\r\n";

// Appends a name's bytes as program text: UTF-8 stays as it is; anything else is read as
// GBK (undecodable bytes become escapes), which togbk turns back into the same bytes.
void appendtext(std::string& out, std::string_view bytes)
{
    if (platform::isutf8(bytes)) {
        out.append(bytes);
    } else {
        out += platform::fromgbk(bytes);
    }
}

// Appends a path component by component, so that a folder's name reads the same in
// every line of a list, whatever the encoding of the names around it. GBK never uses
// the byte "/" inside a character.
void appendpath(std::string& out, std::string_view path)
{
    while (true) {
        const auto slash = path.find('/');
        appendtext(out, path.substr(0, slash));
        if (slash == std::string_view::npos) {
            return;
        }
        out += '/';
        path.remove_prefix(slash + 1);
    }
}

std::string_view afterlastslash(std::string_view text)
{
    const auto slash = text.rfind('/');
    return slash == std::string_view::npos ? text : text.substr(slash + 1);
}

} // namespace

ItemList ItemList::of(const std::vector<std::string>& items)
{
    return {[&items](int index) { return items[static_cast<std::size_t>(index)]; },
            static_cast<int>(items.size()), &items};
}

std::string cutstr(std::string_view oldstr)
{
    return std::string(afterlastslash(oldstr));
}

namespace
{

// getstr() over any way of reaching the items: `item(i)` gives the i-th item's text.
template <class Item>
std::string itemlines(const Item& item, std::int32_t mycount, std::string_view str2, std::int16_t a,
                      std::string_view mypath)
{
    std::string out;
    const bool folders = str2 == "d";
    const bool files = str2 == "f";
    if ((!folders && !files) || (a != 1 && a != 2) || mycount <= 0) {
        return out;
    }
    std::string prefix;
    if (files && a == 2) {
        appendpath(prefix, mypath);
        prefix += '/';
    }
    // A guess that saves most reallocations of a long listing.
    out.reserve(static_cast<std::size_t>(mycount) * (prefix.size() + 24));
    for (std::int32_t i = 0; i < mycount; ++i) {
        if (i > 0) {
            out += kCrLf;
        }
        const std::string_view text = item(i);
        out += prefix;
        if (a == 1) {
            appendtext(out, afterlastslash(text));
        } else {
            appendpath(out, text);
        }
    }
    return out;
}

std::string itemlines(const ItemList& list, std::string_view str2, std::int16_t a,
                      std::string_view mypath)
{
    if (list.items) {
        const auto& items = *list.items;
        return itemlines(
            [&items](std::int32_t i) -> std::string_view {
                return items[static_cast<std::size_t>(i)];
            },
            list.listcount, str2, a, mypath);
    }
    return getstr(list.list, list.listcount, str2, a, mypath);
}

} // namespace

std::string getstr(const ItemSource& str1, std::int32_t mycount, std::string_view str2,
                   std::int16_t a, std::string_view mypath)
{
    std::string item;
    return itemlines(
        [&](std::int32_t i) -> std::string_view {
            item = str1(i);
            return item;
        },
        mycount, str2, a, mypath);
}

std::string listfilepath()
{
    std::string folder;
    try {
        folder = platform::workingfolder();
    } catch (const platform::SysError&) {
        return kListFile; // the working folder is gone: the bare name
    }
    if (folder != "/") {
        folder += '/';
    }
    return folder + kListFile;
}

void ListGenerator::build(std::string_view folderpath, const ItemList& subfolders,
                          const ItemList& files, const ListOptions& options)
{
    dirstr.clear();
    filestr.clear();
    liststr.clear();

    const std::int16_t mode = options.absolute ? 2 : 1;
    dirstr = itemlines(subfolders, "d", mode, {});
    filestr = itemlines(files, "f", mode, options.absolute ? folderpath : std::string_view());

    const bool withfolders = options.includefolders && !dirstr.empty();
    const bool withfiles = options.includefiles && !filestr.empty();
    liststr.reserve((withfolders ? dirstr.size() : 0) + (withfiles ? filestr.size() : 0) + 64);
    if (withfolders) {
        liststr += kFolderHeading;
        liststr += kCrLf;
        liststr += dirstr;
    }
    if (withfiles) {
        if (!liststr.empty()) {
            liststr += kCrLf;
            liststr += kCrLf;
        }
        liststr += kFileHeading;
        liststr += kCrLf;
        liststr += kCrLf;
        liststr += filestr;
    }
}

bool ListGenerator::generate(std::string_view folderpath, const ItemList& subfolders,
                             const ItemList& files, const ListOptions& options, Ui& ui)
{
    build(folderpath, subfolders, files, options);
    const std::string target = listfilepath();
    try {
        std::string bytes = platform::togbk(liststr);
        bytes += kCrLf;
        platform::writeoutput(target, bytes);
    } catch (const platform::SysError& e) {
        ui.msgbox("文件列表未能生成：无法写入文件 " + target + "\n原因：" + e.reason(), kTitle,
                  Icon::Critical);
        return false;
    }
    // Where the list went, on a line of its own: the working folder is nowhere to be seen.
    ui.msgbox(std::string(kDoneText) + "\n" + target, kTitle, Icon::Information);
    return true;
}

} // namespace morvik::filelist
