// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvik::test
{

// Permission checks do not bind root, and CI runs as root. A test about permissions
// starts with
//
//     if (rerunasnobody()) {
//         return;
//     }
//
// As root, this runs the current test once more in a child process as the user nobody
// (through setpriv, from a copy of the test program that nobody may execute, with its
// own HOME and XDG_DATA_HOME) and returns true; the test passes only when the child ran
// the test's body and it passed. In that child, or when the tests already run without
// root's rights, it returns false and the caller runs its body.
bool rerunasnobody();

} // namespace morvik::test
