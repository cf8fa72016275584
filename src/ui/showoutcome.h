// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/outcome.h"

namespace morvik
{
class Ui;
}

namespace win
{

// The runs whose outcomes the windows show.
enum class RunKind { Content, Copy, List, Url, Delete };

// Turns a run's outcome into the boxes its window shows at the end of the run, in order,
// through the window's Ui, and puts the focus in the box a refusal names (the window's
// control names live here, not in the engines): a refusal's message, or the failures,
// or the closing message.
void showoutcome(const morvik::Outcome& outcome, RunKind run, morvik::Ui& ui);

} // namespace win
