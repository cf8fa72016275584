// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/outcome.h"

#include <string>
#include <vector>

namespace morvik::append
{

// A file a run could not process, with the system's reason. Runs collect these and go on
// with the next item; the user sees them in one message box at the end.
using FileFailure = Failure;

// The text of that message box: the heading, then one line per failure ("path：reason").
// Very long lists are cut after a screenful with a line that says how many were left out.
std::string failuretext(const std::string& heading, const std::vector<FileFailure>& failures);

} // namespace morvik::append

namespace morvik::append
{

// The message of a settings write that failed: names the store file and the reason.
std::string savefailuretext(const std::string& storefile, const std::string& reason);

} // namespace morvik::append
