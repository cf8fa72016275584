// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows.h"
#include "platform/fs/pathname.h"
#include "platform/syserror.h"

#include "platform/fs/appfolder.h"
#include "platform/fs/fsobject.h"

#include <cstdlib>
#include <unistd.h>
#include <utility>

namespace win
{

namespace
{

std::function<void()>& launcher()
{
    static std::function<void()> show;
    return show;
}

} // namespace

void setlauncher(std::function<void()> show)
{
    launcher() = std::move(show);
}

void showlauncher()
{
    if (launcher()) {
        launcher()();
    }
}

std::string startfolder()
{
    std::string working;
    try {
        working = morvik::platform::workingfolder();
    } catch (const morvik::platform::SysError&) {
        // the working folder is gone: start elsewhere
    }
    if (!working.empty() && working != "/" && working != morvik::platform::appfolder() &&
        morvik::platform::folderexists(working)) {
        return working;
    }
    const char* home = std::getenv("HOME");
    std::string folder = home && home[0] == '/' ? home : "";
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return !folder.empty() && morvik::platform::folderexists(folder) ? folder : "/";
}

} // namespace win
