// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/progressline.h"
#include "cli/terminalui.h"
#include "run/outcome.h"
#include "run/progress.h"

#include <functional>
#include <string>

namespace morvik::cli
{

// What every run of a subcommand shares: its progress, Ctrl-C stopping it between two
// files, the progress line, and for a dry run the rehearsal, which prints each path
// the run would delete, create or change (one a line on standard output) when the
// check says that change would succeed.
class Run
{
public:
    using Check = std::function<bool(const std::string& path)>;

    Run(TerminalUi& ui, bool dryrun, Check check);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    Progress& progress() { return m_progress; }

    // The exit status once the engine has returned: 130 after a stop (the summary of
    // how far it got is written first), else 1 when `failed`, else 0.
    int status(bool failed);
    // The exit status from a run's outcome: a refusal's message is written and gives 2
    // (1 when the folder was busy); else as status(failed) with any failure, input
    // passed over or notice other than Done counted as failed.
    int status(const Outcome& outcome);

private:
    TerminalUi& m_ui;
    Progress m_progress;
    StopOnInterrupt m_interrupt;
    ProgressLine m_line;
};

} // namespace morvik::cli
