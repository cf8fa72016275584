// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/tools.h"

#include "tools/append/appendcwindow.h"
#include "tools/batchdel/batchdelwindow.h"
#include "tools/filelist/clistwindow.h"
#include "tools/urlgen/curlwindow.h"
#include "ui/helpwindow.h"
#include "ui/windows.h"

namespace win
{

QWidget* toolwindow(Tool tool)
{
    switch (tool) {
    case Tool::List:
        return instance<clist>();
    case Tool::Delete:
        return instance<batchdel>();
    case Tool::Append:
        return instance<appendc>();
    case Tool::Help:
        return instance<help>();
    case Tool::Url:
        return instance<curl>();
    }
    return nullptr;
}

} // namespace win
