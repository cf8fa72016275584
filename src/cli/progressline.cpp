// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/progressline.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace morvik::cli
{

namespace
{

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kRedraw = std::chrono::milliseconds(200);

std::atomic<Progress*> g_interrupted{nullptr};
std::atomic<int> g_signal{0};

// The signals that stop a run between two files: Ctrl-C, a polite kill, a closed terminal.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onstopsignal(int signal)
{
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
    if (Progress* progress = g_interrupted.load()) {
        progress->requeststop();
    }
}

} // namespace

ProgressLine::ProgressLine(const Progress& progress) : m_progress(progress)
{
    if (isatty(STDERR_FILENO)) {
        m_thread = std::thread([this] { loop(); });
    }
}

ProgressLine::~ProgressLine()
{
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    clear();
}

void ProgressLine::clear()
{
    std::lock_guard lock(m_mutex);
    if (m_drawn) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
        m_drawn = false;
    }
}

void ProgressLine::loop()
{
    std::unique_lock lock(m_mutex);
    if (m_wake.wait_for(lock, kQuietStart, [this] { return m_ending; })) {
        return;
    }
    while (!m_ending) {
        draw();
        m_wake.wait_for(lock, kRedraw, [this] { return m_ending; });
    }
}

void ProgressLine::draw()
{
    const std::string line = progresstext(m_progress) + "  " + m_progress.folder();
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    std::fflush(stderr);
    m_drawn = true;
}

StopOnInterrupt::StopOnInterrupt(Progress& progress)
{
    g_interrupted.store(&progress);
    struct sigaction action = {};
    action.sa_handler = onstopsignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        sigaction(signal, &action, nullptr);
    }
}

StopOnInterrupt::~StopOnInterrupt()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kStopSignals) {
        sigaction(signal, &action, nullptr);
    }
    g_interrupted.store(nullptr);
}

int StopOnInterrupt::exitstatus()
{
    const int signal = g_signal.load();
    return 128 + (signal != 0 ? signal : SIGINT);
}

} // namespace morvik::cli
