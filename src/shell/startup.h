// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace win
{

// The start-up check: the HTTP transfer can fetch http and https addresses, and the
// file-open dialog can be shown (Qt's widget dialog is built in, and there is a screen).
// Returns the problems found, one per line; empty when both are usable.
std::string startupproblems();

// Runs the check and throws std::runtime_error carrying the problems when there are any.
void startupcheck();

// Gives the windows the program's icon and tells the desktop which entry they belong to
// (the application id, the desktop entry's name without ".desktop").
void setapplicationicon();

// Tests make the check report problems of their own; the empty text restores the real
// check.
void setstartupproblemsfortesting(const std::string& problems);

} // namespace win
