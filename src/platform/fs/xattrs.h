// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/stat.h>

namespace morvik::platform
{

// Whether the folder open as `folder` (O_PATH will do) may have the attribute `name`: true
// unless asking says it has none.
bool folderhasxattr(int folder, const char* name);

// Gives the new file open as `to` the extended attributes of the old file open as `from`
// (also a descriptor opened with O_PATH), its POSIX access ACL included, and takes from
// the new file an access ACL it inherited from its folder that the old file lacks.
// Attributes the process may not set (EPERM, ENOTSUP) are passed over; any other failure
// throws SysError naming `path`. Returns whether the new file's access ACL was set or
// removed: its mode bits then need setting again.
// `inherited` false: the folder has no default ACL, so the new file has none to take.
// `fromname` in the folder `fromfolder`: where the old file is, to list its attributes
// by when `from` was opened with O_PATH. With `from` -1 the old file is reached by that
// name alone: a handle to read its values through is opened only when it has some, and
// it must be the file `fromstatus` describes (else kReplacedMeanwhileReason).
bool copyxattrs(int from, int to, const std::string& path, bool inherited = true,
                int fromfolder = -1, const char* fromname = nullptr,
                const struct stat* fromstatus = nullptr);

} // namespace morvik::platform
