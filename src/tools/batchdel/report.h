// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/syserror.h"

#include <optional>
#include <string>

namespace morvik::batchdel
{

// Reason codes of a report line.
inline constexpr int kInUse = 1;    // the file is still there after the failed deletion
inline constexpr int kNotFound = 2; // no such file

// Err_Report.txt in the data folder.
std::string reportpath();

// The reason text of a code ("" for an unknown code).
std::string reasontext(int reason);

// Appends one line for a file that was not deleted: the path, 16 spaces, the reason
// text, CR LF, in GBK. A new report starts with its header line and an empty line.
// The report is opened, appended to and closed for every line, never truncated.
// Returns the failure when the line could not be written.
std::optional<platform::SysError> report(const std::string& filename, int reason);

// The reason text of a folder that a search could not read.
std::string unreadabletext(const std::string& systemreason);

// Appends one line with a reason text of its own, as report() does.
std::optional<platform::SysError> reportline(const std::string& filename,
                                             const std::string& reasontext);

} // namespace morvik::batchdel
