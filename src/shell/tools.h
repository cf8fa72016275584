// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace win
{

enum class Tool { List, Delete, Append, Help, Url };

// The window a launcher button opens: its instance, created (and so loaded and centred)
// but not yet shown. nullptr for a tool that this build does not have.
QWidget* toolwindow(Tool tool);

} // namespace win
