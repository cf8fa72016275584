// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace morvik::cli
{

// The help as a person writes it: Chinese headings, each option's value named by the
// word set with option_text() (DIR, FILE, this|one|all), and none of the parser's own
// notation (type names, value maps, a negated flag's value in braces). Set on the
// application before its subcommands are added, which inherit it.
void usehelpwording(CLI::App& app);

// After the subcommands are added: their help flags and groups read like the rest.
void finishhelpwording(CLI::App& app);

// The --wait flag of the commands that change files, worded alike in each: set, a run
// that finds another run working on its folder waits for it instead of stopping.
void addwaitflag(CLI::App& sub, bool& wait);

// The --no-undo flag of the commands that change files: set, the run keeps no journal
// (and so cannot be undone), as where none can be kept.
void addnoundoflag(CLI::App& sub, bool& noundo);

// Accepts one of the words (in any case, taken in lower case); else a message naming
// them all.
CLI::Validator oneof(std::vector<std::string> words);

} // namespace morvik::cli
