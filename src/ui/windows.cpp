// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows.h"

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

} // namespace win
