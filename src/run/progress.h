// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace morvik
{

// How far a long run has got, and a request to stop it, shared between the run and
// whoever watches it (a window's timer, a terminal's progress line, a signal handler).
// The run counts the files it found and handled and checks stoprequested() between two
// files, so every file is whole when it stops. Counters and the stop request are
// atomic and the folder text is guarded, so a watcher may read from another thread.
class Progress
{
public:
    // The watcher's side. requeststop() is safe in a signal handler.
    void requeststop() noexcept { m_stop.store(true, std::memory_order_relaxed); }
    bool stoprequested() const noexcept { return m_stop.load(std::memory_order_relaxed); }
    std::size_t done() const noexcept { return m_done.load(std::memory_order_relaxed); }
    std::size_t found() const noexcept { return m_found.load(std::memory_order_relaxed); }
    std::size_t failed() const noexcept { return m_failed.load(std::memory_order_relaxed); }
    std::string folder() const;

    // The run's side.
    // Counts files the run found; it acts on them only after this call.
    void addfound(std::size_t files)
    {
        m_found.fetch_add(files, std::memory_order_relaxed);
        if (m_onfound) {
            m_onfound();
        }
    }
    // Called on the run's thread by addfound(), between a run's listing and its action.
    void setfoundlistener(std::function<void()> listener) { m_onfound = std::move(listener); }
    void setfolder(std::string_view folder);
    // One file handled; ok false when it could not be deleted, copied or rewritten.
    void filedone(bool ok = true) noexcept
    {
        m_done.fetch_add(1, std::memory_order_relaxed);
        if (!ok) {
            m_failed.fetch_add(1, std::memory_order_relaxed);
        }
    }

    // A rehearsal (dry run): while one is set, a run changes no file. At each file it
    // would delete, create or rewrite it asks the rehearsal instead, which answers
    // whether that change would succeed; the note, when set, is then told the path.
    // A rehearsal set with a note may be asked from several workers at once (it must
    // allow that); the note is still told in the run's order, one path at a time. One
    // set without a note is asked from one thread, in the run's order.
    using Rehearsal = std::function<bool(const std::string& path)>;
    using RehearsalNote = std::function<void(const std::string& path)>;
    void setrehearsal(Rehearsal rehearsal, RehearsalNote note = {})
    {
        m_rehearsal = std::move(rehearsal);
        m_note = std::move(note);
    }
    bool rehearsing() const { return static_cast<bool>(m_rehearsal); }
    bool rehearse(const std::string& path) const
    {
        if (!m_rehearsal(path)) {
            return false;
        }
        noterehearsed(path);
        return true;
    }
    bool rehearsalonworkers() const { return static_cast<bool>(m_note); }
    // The two halves of rehearse(), for a run that asks on workers and notes in order.
    bool wouldsucceed(const std::string& path) const { return m_rehearsal(path); }
    void noterehearsed(const std::string& path) const
    {
        if (m_note) {
            m_note(path);
        }
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_done{0};
    std::atomic<std::size_t> m_found{0};
    std::atomic<std::size_t> m_failed{0};
    mutable std::mutex m_mutex;
    std::string m_folder;
    Rehearsal m_rehearsal;
    RehearsalNote m_note;
    std::function<void()> m_onfound;
};

// "已处理 N / M 个文件", the progress of a run.
std::string progresstext(const Progress& progress);

// The line that ends a stopped run: that it was stopped and how many files were done.
std::string stoppedtext(const Progress& progress);

} // namespace morvik
