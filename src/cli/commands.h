// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace CLI
{
class App;
}

namespace morvik::cli
{

// Exit statuses of morvik-cli.
inline constexpr int kExitOk = 0;            // every item succeeded
inline constexpr int kExitFailed = 1;        // some items failed; the messages name them
inline constexpr int kExitUsage = 2;         // bad arguments or input, nothing done
inline constexpr int kExitInterrupted = 130; // stopped by Ctrl-C between two files (SIGTERM: 143,
                                             // SIGHUP: 129)

// What the chosen subcommand runs once the arguments are parsed; returns the exit status.
using Action = std::function<int()>;

// Each adds its subcommand to the application; when it is chosen, `action` is set.
void addlistcommand(CLI::App& app, Action& action);
void adddeletecommand(CLI::App& app, Action& action);
void addcopycommand(CLI::App& app, Action& action);
void addinsertcommand(CLI::App& app, Action& action);
void addurlcommand(CLI::App& app, Action& action);
// history, undo and purge.
void addhistorycommands(CLI::App& app, Action& action);

} // namespace morvik::cli
