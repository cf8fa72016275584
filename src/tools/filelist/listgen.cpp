// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/filelist/listgen.h"

#include "platform/fs/fileops.h"
#include "platform/fs/pathname.h"
#include "platform/syserror.h"
#include "platform/text/codec.h"

#include <cstdlib>
#include <unistd.h>

namespace morvik::filelist
{

namespace
{

constexpr std::string_view kCrLf = "\r\n";

} // namespace

void appendnametext(std::string& out, std::string_view bytes)
{
    if (platform::isutf8(bytes)) {
        out.append(bytes);
    } else {
        out += platform::fromgbk(bytes);
    }
}

void appendpathtext(std::string& out, std::string_view path)
{
    while (true) {
        const auto slash = path.find('/');
        appendnametext(out, path.substr(0, slash));
        if (slash == std::string_view::npos) {
            return;
        }
        out += '/';
        path.remove_prefix(slash + 1);
    }
}

ItemList ItemList::of(const std::vector<std::string>& items)
{
    return {[&items](int index) { return items[static_cast<std::size_t>(index)]; },
            static_cast<int>(items.size()), &items};
}

std::string cutstr(std::string_view oldstr)
{
    return std::string(platform::leafname(oldstr));
}

namespace
{

// getstr() over any way of reaching the items: `item(i)` gives the i-th item's text.
template <class Item>
std::string itemlines(const Item& item, std::int32_t count, std::string_view kind,
                      std::int16_t mode, std::string_view folder)
{
    std::string out;
    const bool folders = kind == "d";
    const bool files = kind == "f";
    if ((!folders && !files) || (mode != 1 && mode != 2) || count <= 0) {
        return out;
    }
    std::string prefix;
    if (files && mode == 2) {
        appendpathtext(prefix, folder);
        prefix += '/';
    }
    // A guess that saves most reallocations of a long listing.
    out.reserve(static_cast<std::size_t>(count) * (prefix.size() + 24));
    for (std::int32_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += kCrLf;
        }
        const std::string_view text = item(i);
        out += prefix;
        if (mode == 1) {
            appendnametext(out, platform::leafname(text));
        } else {
            appendpathtext(out, text);
        }
    }
    return out;
}

std::string itemlines(const ItemList& list, std::string_view kind, std::int16_t mode,
                      std::string_view folder)
{
    if (list.items) {
        const auto& items = *list.items;
        return itemlines(
            [&items](std::int32_t i) -> std::string_view {
                return items[static_cast<std::size_t>(i)];
            },
            list.listcount, kind, mode, folder);
    }
    return getstr(list.list, list.listcount, kind, mode, folder);
}

} // namespace

std::string getstr(const ItemSource& items, std::int32_t count, std::string_view kind,
                   std::int16_t mode, std::string_view folder)
{
    std::string item;
    return itemlines(
        [&](std::int32_t i) -> std::string_view {
            item = items(i);
            return item;
        },
        count, kind, mode, folder);
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
    folderlines.clear();
    filelines.clear();
    listing.clear();

    const std::int16_t mode = options.absolute ? 2 : 1;
    folderlines = itemlines(subfolders, "d", mode, {});
    filelines = itemlines(files, "f", mode, options.absolute ? folderpath : std::string_view());

    const bool withfolders = options.includefolders && !folderlines.empty();
    const bool withfiles = options.includefiles && !filelines.empty();
    listing.reserve((withfolders ? folderlines.size() : 0) + (withfiles ? filelines.size() : 0) +
                    64);
    if (withfolders) {
        listing += kFolderHeading;
        listing += kCrLf;
        listing += folderlines;
    }
    if (withfiles) {
        if (!listing.empty()) {
            listing += kCrLf;
            listing += kCrLf;
        }
        listing += kFileHeading;
        listing += kCrLf;
        listing += kCrLf;
        listing += filelines;
    }
}

Outcome ListGenerator::generate(std::string_view folderpath, const ItemList& subfolders,
                                const ItemList& files, const ListOptions& options)
{
    build(folderpath, subfolders, files, options);
    Outcome outcome;
    outcome.report = listfilepath();
    try {
        std::string bytes = platform::togbk(listing);
        bytes += kCrLf;
        platform::writeoutput(outcome.report, bytes);
    } catch (const platform::SysError& e) {
        outcome.failures.push_back({outcome.report, e.reason()});
        return outcome;
    }
    outcome.done = 1;
    outcome.notice(Notice::Kind::Done);
    return outcome;
}

std::string donetext(const std::string& written)
{
    // Where the list went, on a line of its own: the working folder is nowhere to be seen.
    return std::string(kDoneText) + "\n" + written;
}

std::string failedtext(const Failure& failure)
{
    return "文件列表未能生成：无法写入文件 " + failure.path + "\n原因：" + failure.reason;
}

} // namespace morvik::filelist
