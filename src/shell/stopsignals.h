// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace win
{

// SIGTERM and SIGHUP end the program as closing its windows does: a run going on stops
// between two files (its window closes once the run has ended), then the program ends.
void stoponsignals(QApplication& app);

// The exit status after such a signal: 128 + its number; 0 when none came.
int signalstatus();

} // namespace win
