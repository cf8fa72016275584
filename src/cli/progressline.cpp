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

std::atomic<platform::Progress*> g_interrupted{nullptr};

void onsigint(int)
{
    if (platform::Progress* progress = g_interrupted.load()) {
        progress->requeststop();
    }
}

} // namespace

ProgressLine::ProgressLine(const platform::Progress& progress) : m_progress(progress)
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
    const std::string line = platform::progresstext(m_progress) + "  " + m_progress.folder();
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    std::fflush(stderr);
    m_drawn = true;
}

StopOnInterrupt::StopOnInterrupt(platform::Progress& progress)
{
    g_interrupted.store(&progress);
    struct sigaction action = {};
    action.sa_handler = onsigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

StopOnInterrupt::~StopOnInterrupt()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    g_interrupted.store(nullptr);
}

} // namespace morvik::cli
