// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace morvik
{

// A file (or folder) a run could not handle, with the system's reason.
struct Failure {
    std::string path;
    std::string reason;
};

// An input a run would not start with: which one, what is wrong with it, and the
// message that says so. Nothing has been touched when a run is refused.
struct Refusal {
    enum class Problem {
        Missing,    // the box is empty
        NotFound,   // it names nothing usable (no such file, not a list file)
        Empty,      // the file it names holds no bytes
        Unreadable, // it could not be read; the message names the reason
        Invalid,    // its text cannot be used (a locator the run rejects)
        Busy,       // another run is working in that folder
    };
    std::string field; // the input, as the engine names it ("contentfile", "targetfolder", ...)
    Problem problem = Problem::Missing;
    // The message for the user; empty when the run has already told the user itself.
    std::string message;
};

// Something a run (or one phase of it) has to tell besides its counts, in the order it
// came up. Front ends know each one's message.
struct Notice {
    enum class Kind {
        Done,                // the run went through: the tool's success message
        Incomplete,          // it went through but some files stayed (subject: the report)
        NoFullPathMatch,     // a full-path pattern of the name box matched nothing
        NoMatch,             // the name box's pattern matched nothing in the folder
        NoListFullPathMatch, // the one full-path pattern of a list matched nothing
        NoListMatch,         // the one name of a list matched nothing in the folder
        BadName,             // the name box holds a "/" but is no full path
        ListUnnamed,         // no list file was named
        ListUnreadable,      // the list file could not be read (subject, reason)
        ListEmpty,           // the list file holds no bytes
        Unreported,          // failures the report could not take (reason: why; files)
        Untrashed,           // files the trash refused, left in place (files: path and why)
    };
    Kind kind = Kind::Done;
    std::string subject;            // the file it concerns, if any
    std::string reason;             // the system's reason, if any
    std::vector<std::string> files; // the files it names, if any
};

// What a run did, as a value: engines fill it, windows turn it into their boxes, the
// command line into its summary and exit status, tests assert on it.
struct Outcome {
    std::size_t done = 0;          // files changed, created or deleted
    std::vector<Failure> failures; // in the order they happened
    std::optional<Refusal> refusal;
    bool stopped = false;    // the user stopped the run between two files
    std::size_t skipped = 0; // inputs passed over without a file (addresses without a page title)
    std::vector<Notice> notices;
    std::string report; // the file the run wrote its list or report to; empty: none

    void notice(Notice::Kind kind, std::string subject = {}, std::string reason = {})
    {
        notices.push_back({kind, std::move(subject), std::move(reason), {}});
    }
    bool refused() const { return refusal.has_value(); }
    bool has(Notice::Kind kind) const;
    // Whether anything went wrong: a refusal, a failure, an input passed over or a
    // notice other than Done.
    bool troubled() const;
};

} // namespace morvik
