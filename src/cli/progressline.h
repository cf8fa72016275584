// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/progress.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace morvik::cli
{

// The progress line on standard error while a run lasts: files done of files found and
// the current folder, redrawn a few times a second once the run has taken half a second.
// Nothing when standard error is not a terminal.
class ProgressLine
{
public:
    explicit ProgressLine(const Progress& progress);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Removes the line, so a message can be written; the next tick draws it again.
    void clear();

private:
    void loop();
    void draw();

    const Progress& m_progress;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_ending = false;
    bool m_drawn = false;
    std::thread m_thread;
};

// While it lives, Ctrl-C (SIGINT), SIGTERM and SIGHUP ask the run to stop between two
// files instead of ending the process.
class StopOnInterrupt
{
public:
    explicit StopOnInterrupt(Progress& progress);
    ~StopOnInterrupt();
    // The status of a run the first of those signals stopped: 128 + its number.
    static int exitstatus();
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
};

} // namespace morvik::cli
