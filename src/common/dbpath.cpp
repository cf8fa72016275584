// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/dbrecord.h"

#include "platform/fs/appfolder.h"

namespace morvik
{

// Kept apart from the store itself so that code using the store with a path of its own
// does not pull in the application folder.
std::string dbpath()
{
    return platform::datafolder() + "/db.dat";
}

} // namespace morvik
