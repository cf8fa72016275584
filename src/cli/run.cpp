// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/run.h"

#include "cli/commands.h"

#include <cstdio>

namespace morvik::cli
{

Run::Run(TerminalUi& ui, bool dryrun, Check check)
    : m_ui(ui), m_interrupt(m_progress), m_line(m_progress)
{
    m_ui.watch(&m_line, &m_progress);
    if (dryrun) {
        m_ui.hideinformation();
        m_progress.setrehearsal(std::move(check), [this](const std::string& path) {
            m_line.clear();
            std::fwrite(path.data(), 1, path.size(), stdout);
            std::fputc('\n', stdout);
        });
    }
}

Run::~Run()
{
    m_ui.watch(nullptr, nullptr);
}

int Run::status(bool failed)
{
    if (m_ui.declined()) {
        return kExitFailed;
    }
    if (m_progress.stoprequested()) {
        m_line.clear();
        m_ui.say(stoppedtext(m_progress));
        return StopOnInterrupt::exitstatus();
    }
    return failed ? kExitFailed : kExitOk;
}

int Run::status(const Outcome& outcome)
{
    if (outcome.refusal && !m_ui.declined()) {
        if (!outcome.refusal->message.empty()) {
            m_line.clear();
            m_ui.say(outcome.refusal->message);
        }
        if (outcome.refusal->problem != Refusal::Problem::Busy) {
            return kExitUsage;
        }
    }
    return status(outcome.troubled() || m_progress.failed() > 0);
}

} // namespace morvik::cli
