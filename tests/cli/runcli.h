// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace morvik::test
{

// What a run of morvik-cli left.
struct CliResult {
    int status = -1; // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// morvik-cli as a process. Each test program uses a private copy of the executable in a
// folder of its own, so the data files the tools write beside it (Err_Report.txt,
// Error_CreateUrl.log) land there and not in the build folder.
class CliProcess
{
public:
    // The private copy's folder.
    static const std::string& appfolder();

    // Starts morvik-cli with the arguments in the working folder `cwd` (the test's own
    // when empty). Standard input is /dev/null, so it is not a terminal; with `typed`, it
    // is a terminal on which that text has been typed.
    explicit CliProcess(const std::vector<std::string>& args, const std::string& cwd = {},
                        const std::optional<std::string>& typed = std::nullopt);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Sends Ctrl-C's signal, or another.
    void interrupt(int signal = 2);
    // Reads its output to the end and waits for it.
    CliResult finish();

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    int m_terminal = -1; // the terminal's master side
};

// Runs morvik-cli to its end.
CliResult runcli(const std::vector<std::string>& args, const std::string& cwd = {},
                 const std::optional<std::string>& typed = std::nullopt);

} // namespace morvik::test
