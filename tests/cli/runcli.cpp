// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/runcli.h"

#include "support/temptree.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace morvik::test
{

namespace
{

// A folder of its own for the program, removed when the test program ends.
std::string makeappfolder()
{
    static const TempTree folder({}, "morvik-cli");
    const std::string copy = folder.path("morvik-cli");
    // A hard link costs nothing; across file systems it takes a copy.
    std::error_code linkfailed;
    std::filesystem::create_hard_link(MORVIK_CLI_PATH, copy, linkfailed);
    if (linkfailed) {
        std::filesystem::copy_file(MORVIK_CLI_PATH, copy);
        std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    }
    return folder.root();
}

void readsome(int& fd, std::string& into)
{
    char buffer[65536];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
        close(fd);
        fd = -1;
    }
}

} // namespace

const std::string& CliProcess::appfolder()
{
    static const std::string folder = makeappfolder();
    return folder;
}

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& cwd,
                       const std::optional<std::string>& typed)
{
    int terminal = -1;
    if (typed && openpty(&m_terminal, &terminal, nullptr, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    const std::string exe = appfolder() + "/morvik-cli";
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        if (typed) {
            setsid();
            dup2(terminal, STDIN_FILENO);
        } else {
            dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
        }
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
            _exit(127);
        }
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (typed) {
        close(terminal);
        if (write(m_terminal, typed->data(), typed->size()) < 0) {
            throw std::runtime_error("cannot type on the terminal");
        }
    }
    m_out = out[0];
    m_err = err[0];
}

CliProcess::~CliProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        finish();
    }
}

void CliProcess::interrupt(int signal)
{
    kill(m_pid, signal);
}

CliResult CliProcess::finish()
{
    CliResult result;
    while (m_out >= 0 || m_err >= 0) {
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            break;
        }
        if (m_out >= 0 && fds[0].revents) {
            readsome(m_out, result.out);
        }
        if (m_err >= 0 && fds[1].revents) {
            readsome(m_err, result.err);
        }
    }
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    if (m_terminal >= 0) {
        close(m_terminal);
        m_terminal = -1;
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

CliResult runcli(const std::vector<std::string>& args, const std::string& cwd,
                 const std::optional<std::string>& typed)
{
    CliProcess process(args, cwd, typed);
    return process.finish();
}

} // namespace morvik::test
