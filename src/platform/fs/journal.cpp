// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/journal.h"

#include "platform/fs/appfolder.h"
#include "platform/fs/fileops.h"
#include "platform/fs/releaser.h"
#include "platform/fs/removefolder.h"
#include "platform/fs/topfolder.h"
#include "platform/syserror.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

std::atomic<bool> g_journalling{true};

// The last runs kept, and the most their journals may hold together.
constexpr std::size_t kKeptRuns = 20;
// Kept files go into numbered subfolders of this many each. A move or link into one
// folder of tens of thousands of entries searches a directory block of hundreds of
// names, on ext4 while it holds the file system's lock on renames between folders.
constexpr std::size_t kKeptPerFolder = 32;
constexpr unsigned long long kMaxHeld = 2ULL << 30;

// The state of a run's record while it is being purged: no longer listed.
constexpr const char* kPurgingState = "purging";

std::string recordsfolder()
{
    return datafolder() + "/undo";
}

std::string escaped(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char c = text[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) {
            return out;
        }
        start = tab + 1;
    }
}

long long mtimens(const struct stat& st)
{
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

Fd openfolder(int at, const std::string& name)
{
    return Fd(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// A private folder of this user for journals at the top of the mount of `onfs`, as the
// trash of removable media is kept: created with mode 0700, refused when it is a link,
// another user's or open to others.
Fd mounttopfolder(int onfs, std::string& path)
{
    Fd current(::fcntl(onfs, F_DUPFD_CLOEXEC, 0));
    struct stat here {
    };
    if (current.get() < 0 || ::fstat(current.get(), &here) != 0) {
        throw SysError(fdpath(onfs), errno);
    }
    for (;;) {
        Fd up(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat above {
        };
        if (up.get() < 0 || ::fstat(up.get(), &above) != 0 || above.st_dev != here.st_dev ||
            above.st_ino == here.st_ino) {
            break;
        }
        current = std::move(up);
        here = above;
    }
    const std::string name = ".morvik-undo-" + std::to_string(::geteuid());
    path = fdpath(current.get()) + "/" + name;
    if (::mkdirat(current.get(), name.c_str(), 0700) != 0 && errno != EEXIST) {
        throw SysError(path, errno);
    }
    Fd folder = openfolder(current.get(), name);
    struct stat st {
    };
    if (folder.get() < 0 || ::fstat(folder.get(), &st) != 0) {
        throw SysError(path, errno);
    }
    if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        throw SysError(path, EPERM);
    }
    return folder;
}

std::string newid()
{
    static std::atomic<unsigned> counter{0};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    // Fixed widths, so that ids sort in the order the runs began.
    char rest[48];
    std::snprintf(rest, sizeof rest, "-%07ld-%06u", static_cast<long>(::getpid()),
                  counter.fetch_add(1));
    return std::string(stamp) + rest;
}

std::string readabletime(const std::string& id)
{
    // YYYYMMDD-HHMMSS-...
    if (id.size() < 15) {
        return id;
    }
    return id.substr(0, 4) + "-" + id.substr(4, 2) + "-" + id.substr(6, 2) + " " + id.substr(9, 2) +
           ":" + id.substr(11, 2) + ":" + id.substr(13, 2);
}

void appendline(const std::string& file, const std::string& line)
{
    Fd out(::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (out.get() < 0) {
        throw SysError(file, errno);
    }
    const std::string text = line + "\n";
    if (::write(out.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        throw SysError(file, errno);
    }
}

std::map<std::string, std::string> readrecord(const std::string& file)
{
    std::map<std::string, std::string> values;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = unescaped(line.substr(eq + 1));
        }
    }
    return values;
}

// Copies the file `name` of `dir` into the journal as `kept`, for a file the process may
// not hard-link (another user's, on a system that protects hard links).
void copyinto(int dir, const std::string& name, int files, const std::string& kept,
              const std::string& path)
{
    Fd in(::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {
    };
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
        throw SysError(path, errno);
    }
    Fd out(::openat(files, kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0) {
        throw SysError(path, errno);
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw SysError(path, errno);
        }
        if (got == 0) {
            break;
        }
        if (::write(out.get(), buffer, static_cast<std::size_t>(got)) != got) {
            throw SysError(path, errno);
        }
    }
    ::fchown(out.get(), st.st_uid, st.st_gid);
    ::fchmod(out.get(), st.st_mode & 07777);
}

// The open parent folders of the files an undo puts back, reached from "/" one name at a
// time without following links. The folders of the last path stay open, so the next path
// opens only the names where it leaves the last one: a run's lines come folder by folder,
// in the order of a walk.
class UndoFolders
{
public:
    // The open parent folder of the absolute path `path`; `name` is set to the name in it.
    // Throws SysError.
    int folderof(const std::string& path, std::string& name)
    {
        const auto slash = path.rfind('/');
        if (path.empty() || path[0] != '/' || slash == std::string::npos) {
            throw SysError(path, ENOENT);
        }
        name = path.substr(slash + 1);
        if (m_root.get() < 0) {
            m_root.reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        std::size_t depth = 0;
        std::size_t start = 1;
        while (start < slash) {
            const std::size_t end = path.find('/', start);
            const std::string_view part = std::string_view(path).substr(start, end - start);
            start = end + 1;
            if (part.empty()) {
                continue;
            }
            if (depth < m_chain.size() && m_chain[depth].first == part) {
                ++depth;
                continue;
            }
            m_chain.resize(depth);
            const int parent = depth == 0 ? m_root.get() : m_chain.back().second.get();
            Fd next(::openat(parent, std::string(part).c_str(),
                             O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (next.get() < 0) {
                throw SysError(path, errno);
            }
            m_chain.emplace_back(std::string(part), std::move(next));
            ++depth;
        }
        m_chain.resize(depth);
        return depth == 0 ? m_root.get() : m_chain.back().second.get();
    }

private:
    Fd m_root;
    std::vector<std::pair<std::string, Fd>> m_chain; // the last path's folders, from the top
};

} // namespace

void setjournalling(bool on)
{
    g_journalling.store(on);
}

bool journalling()
{
    return g_journalling.load();
}

std::unique_ptr<Journal> Journal::open(int onfs, const std::string& tool, const std::string& folder)
{
    std::unique_ptr<Journal> journal(new Journal);
    journal->m_id = newid();
    const std::string records = recordsfolder();
    std::filesystem::create_directories(records);
    ::chmod(records.c_str(), 0700);

    struct stat tree {
    };
    struct stat data {
    };
    if (::fstat(onfs, &tree) != 0) {
        throw SysError(folder, errno);
    }
    Fd root;
    std::string rootpath;
    if (::stat(records.c_str(), &data) == 0 && data.st_dev == tree.st_dev) {
        root.reset(::open(records.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        rootpath = records;
    } else {
        root = mounttopfolder(onfs, rootpath);
    }
    if (root.get() < 0) {
        throw SysError(rootpath, errno);
    }
    journal->m_folderpath = rootpath + "/" + journal->m_id;
    if (::mkdirat(root.get(), journal->m_id.c_str(), 0700) != 0) {
        throw SysError(journal->m_folderpath, errno);
    }
    journal->m_folder = openfolder(root.get(), journal->m_id);
    if (journal->m_folder.get() < 0 || ::mkdirat(journal->m_folder.get(), "files", 0700) != 0) {
        throw SysError(journal->m_folderpath, errno);
    }
    journal->m_files = openfolder(journal->m_folder.get(), "files");
    journal->m_log.reset(
        ::openat(journal->m_folder.get(), "log", O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    if (journal->m_files.get() < 0 || journal->m_log.get() < 0) {
        throw SysError(journal->m_folderpath, errno);
    }
    journal->m_record = records + "/" + journal->m_id + ".run";
    appendline(journal->m_record, "journal=" + escaped(journal->m_folderpath) + "\ntool=" + tool +
                                      "\nfolder=" + escaped(folder) +
                                      "\npid=" + std::to_string(::getpid()));
    return journal;
}

Journal::~Journal() = default;

void Journal::append(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(m_log.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        throw SysError(m_folderpath + "/log", errno);
    }
}

namespace
{

// The inode, size and modification time of a file the run made, as its journal lines
// give them: what an undo checks is still there.
std::string identityof(int made, const std::string& path)
{
    struct stat st {
    };
    if (::fstat(made, &st) != 0) {
        throw SysError(path, errno);
    }
    return std::to_string(st.st_ino) + "\t" + std::to_string(st.st_size) + "\t" +
           std::to_string(mtimens(st));
}

} // namespace

void Journal::beforecreate(const std::string& path, int created)
{
    append("C\t" + identityof(created, path) + "\t" + escaped(path));
    changed();
}

bool Journal::beforereplace(int dir, const std::string& name, const std::string& path,
                            int replacement, const struct stat* read)
{
    // Workers keep their files without waiting for each other: the log takes each line
    // in one write, which appends it whole, and the totals are counted atomically.
    struct stat old {
    };
    const bool there = ::fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!there && errno != ENOENT) {
        throw SysError(path, errno);
    }
    if (read && !(there && old.st_dev == read->st_dev && old.st_ino == read->st_ino &&
                  samestatus(old, *read))) {
        return false;
    }
    const std::string identity = identityof(replacement, path);
    if (there && S_ISDIR(old.st_mode)) {
        // The rename over a folder would fail: refused here, nothing to record.
        throw SysError(path, EISDIR);
    }
    if (!there) {
        append("C\t" + identity + "\t" + escaped(path));
        changed();
        return true;
    }
    const std::string kept = keptname(path);
    if (::linkat(dir, name.c_str(), m_files.get(), kept.c_str(), 0) != 0) {
        if (errno != EPERM && errno != EMLINK && errno != EXDEV) {
            throw SysError(path, errno);
        }
        copyinto(dir, name, m_files.get(), kept, path);
    }
    append("R\t" + kept + "\t" + std::to_string(old.st_ino) + "\t" + identity + "\t" +
           escaped(path));
    m_held += static_cast<unsigned long long>(old.st_size);
    ++m_kept;
    changed();
    return true;
}

int Journal::deleteinto(int dir, const std::string& name, const std::string& path,
                        unsigned long long size)
{
    std::string kept;
    try {
        kept = keptname(path);
        append("D\t" + kept + "\t" + escaped(path));
    } catch (const SysError& e) {
        return e.code() != 0 ? e.code() : EIO;
    }
    // The line is written before the move, so an undo knows the file whenever the move
    // happened; an undo passes over a line whose file never moved.
    if (::renameat(dir, name.c_str(), m_files.get(), kept.c_str()) != 0) {
        return errno;
    }
    m_held += size;
    ++m_kept;
    changed();
    return 0;
}

std::string Journal::keptname(const std::string& path)
{
    const std::size_t number = m_next++;
    const std::size_t bucket = number / kKeptPerFolder;
    if (bucket >= m_buckets.load()) {
        const std::lock_guard lock(m_mutex);
        for (std::size_t made = m_buckets.load(); made <= bucket; ++made) {
            if (::mkdirat(m_files.get(), std::to_string(made).c_str(), 0700) != 0 &&
                errno != EEXIST) {
                throw SysError(path, errno);
            }
            m_buckets = made + 1;
        }
    }
    return std::to_string(bucket) + "/" + std::to_string(number);
}

void Journal::changed()
{
    // Once the run is sure to be recorded, the oldest runs beyond what is kept are purged
    // beside it rather than after it, so its end does not wait for them.
    if (m_changed++ == 0) {
        try {
            keepwithinlater(kKeptRuns, kMaxHeld, m_id);
        } catch (const std::exception&) {
            // Left for the end of the run.
        }
    }
}

void Journal::finish()
{
    std::lock_guard lock(m_mutex);
    if (m_changed == 0) {
        // A run that changed nothing leaves no record to undo.
        removefolder(m_folderpath);
        std::error_code ignored;
        std::filesystem::remove(m_record, ignored);
        return;
    }
    try {
        appendline(m_record, "files=" + std::to_string(m_changed) +
                                 "\nkept=" + std::to_string(m_kept) +
                                 "\nbytes=" + std::to_string(m_held) + "\nstate=done");
    } catch (const SysError&) {
        // The run's record stays without its totals; the journal can still be undone.
    }
    // The bytes this run holds may put the journals over their budget: the oldest runs
    // beyond it go, this one aside, off the run's thread.
    keepwithinlater(kKeptRuns, kMaxHeld, m_id);
}

namespace
{

// The runs of the history; runs marked for purging are left out, their records and
// journals added to `purging` when it is given.
std::vector<RunRecord> readruns(std::vector<std::pair<std::string, std::string>>* purging)
{
    std::vector<RunRecord> runs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(recordsfolder(), error)) {
        const std::string file = entry.path().string();
        if (entry.path().extension() != ".run") {
            continue;
        }
        auto values = readrecord(file);
        if (values["state"] == kPurgingState) {
            if (purging) {
                purging->emplace_back(file, values["journal"]);
            }
            continue;
        }
        RunRecord run;
        run.id = entry.path().stem().string();
        run.time = readabletime(run.id);
        run.tool = values["tool"];
        run.folder = values["folder"];
        run.journal = values["journal"];
        run.files = static_cast<std::size_t>(std::strtoull(values["files"].c_str(), nullptr, 10));
        run.bytes = std::strtoull(values["bytes"].c_str(), nullptr, 10);
        // A record from before the count of kept files: every file may have been kept.
        run.kept =
            values.count("kept") > 0
                ? static_cast<std::size_t>(std::strtoull(values["kept"].c_str(), nullptr, 10))
                : run.files;
        // A run still going on (its process alive, no end written) cannot be undone yet; a
        // run killed midway can, and its count comes from its journal.
        const bool ended = values.count("state") > 0;
        const long pid = std::strtol(values["pid"].c_str(), nullptr, 10);
        const bool going = !ended && pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0);
        if (!ended) {
            std::ifstream log(run.journal + "/log");
            run.files = static_cast<std::size_t>(std::count(
                std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>(), '\n'));
            run.kept = run.files;
        }
        run.undoable = values["state"] != "undone" && !going && !run.journal.empty() &&
                       std::filesystem::exists(run.journal, error);
        runs.push_back(std::move(run));
    }
    std::sort(runs.begin(), runs.end(),
              [](const RunRecord& a, const RunRecord& b) { return a.id < b.id; });
    return runs;
}

// Removes a run marked for purging: its journal, then its record, so a purge killed
// midway leaves a marked record that the next one finishes.
void removerun(const std::string& record, const std::string& journal)
{
    if (!journal.empty()) {
        // The kept files first: their subfolders are shared out to several threads.
        removefolder(journal + "/files");
        removefolder(journal);
    }
    std::error_code ignored;
    std::filesystem::remove(record, ignored);
}

// The purges of old runs, done one after another on a thread of their own so that a
// run's end does not wait for the freeing of a large journal. The process waits for
// them before it ends (the destructor of the one instance, at exit).
class Purges
{
public:
    ~Purges() { wait(); }

    void add(std::vector<std::pair<std::string, std::string>> runs)
    {
        std::lock_guard lock(m_mutex);
        for (auto& run : runs) {
            m_queue.push_back(std::move(run));
        }
        if (!m_busy && !m_queue.empty()) {
            if (m_thread.joinable()) {
                m_thread.join(); // ended: it found the queue empty
            }
            m_busy = true;
            m_thread = std::thread([this] { work(); });
        }
    }

    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return !m_busy; });
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

private:
    void work()
    {
        std::unique_lock lock(m_mutex);
        while (!m_queue.empty()) {
            const auto [record, journal] = m_queue.front();
            m_queue.pop_front();
            lock.unlock();
            removerun(record, journal);
            lock.lock();
        }
        m_busy = false;
        m_idle.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::deque<std::pair<std::string, std::string>> m_queue; // record, journal
    bool m_busy = false;
    std::thread m_thread;
};

Purges& purges()
{
    static Purges instance;
    return instance;
}

// The files (inodes) the runs' journals keep, by file system: together at most a tenth
// of the files each file system has free, so that the history never leaves the disk
// without room for new files where it still has room for their data.
class HeldFiles
{
public:
    explicit HeldFiles(const std::vector<RunRecord>& runs) : m_of(runs.size(), kNone)
    {
        for (std::size_t i = 0; i < runs.size(); ++i) {
            struct stat where {
            };
            if (::stat(runs[i].journal.c_str(), &where) != 0) {
                continue;
            }
            // Each file system is asked once, however many runs it holds.
            const auto [tally, added] = m_tallies.try_emplace(where.st_dev);
            struct statvfs fs {
            };
            if (added && ::statvfs(runs[i].journal.c_str(), &fs) == 0) {
                // A file system that counts no files (f_files 0) has no such limit.
                tally->second.limited = fs.f_files != 0;
                tally->second.budget = static_cast<unsigned long long>(fs.f_favail) / 10;
            }
            tally->second.held += runs[i].kept;
            m_of[i] = where.st_dev;
        }
    }
    bool over(std::size_t run) const
    {
        const auto tally = m_tallies.find(m_of[run]);
        return tally != m_tallies.end() && tally->second.limited &&
               tally->second.held > tally->second.budget;
    }
    void drop(std::size_t run, std::size_t files)
    {
        const auto tally = m_tallies.find(m_of[run]);
        if (tally != m_tallies.end()) {
            tally->second.held -= std::min<unsigned long long>(files, tally->second.held);
        }
    }

private:
    static constexpr dev_t kNone = ~dev_t{0};
    struct Tally {
        unsigned long long held = 0;
        unsigned long long budget = 0;
        bool limited = false;
    };
    std::vector<dev_t> m_of; // each run's file system
    std::map<dev_t, Tally> m_tallies;
};

// Marks the oldest runs beyond the last `keep` runs, beyond `budget` bytes held (the
// smaller of it and a tenth of the free space) or beyond a tenth of the files their file
// system has free, never the run `spared`, and returns them with the runs a killed purge
// left marked, each as its record and its journal.
std::vector<std::pair<std::string, std::string>>
marktopurge(std::size_t keep, unsigned long long budget, const std::string& spared)
{
    struct statvfs fs {
    };
    if (::statvfs(datafolder().c_str(), &fs) == 0) {
        budget = std::min<unsigned long long>(budget, static_cast<unsigned long long>(fs.f_bavail) *
                                                          fs.f_frsize / 10);
    }
    std::vector<std::pair<std::string, std::string>> marked;
    std::vector<RunRecord> runs = readruns(&marked);
    unsigned long long held = 0;
    for (const RunRecord& run : runs) {
        held += run.bytes;
    }
    HeldFiles files(runs);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs.size() - i <= keep && held <= budget && !files.over(i)) {
            continue;
        }
        held -= runs[i].bytes;
        files.drop(i, runs[i].kept);
        if (runs[i].id == spared) {
            continue;
        }
        const std::string record = recordsfolder() + "/" + runs[i].id + ".run";
        try {
            appendline(record, std::string("state=") + kPurgingState);
            marked.emplace_back(record, runs[i].journal);
        } catch (const SysError&) {
            // Left for a later purge.
        }
    }
    return marked;
}

} // namespace

std::vector<RunRecord> history()
{
    return readruns(nullptr);
}

namespace
{

// What is at `name` of the open folder `folder` now, into `st`. With a releaser, the file
// is held open in `held` as well: when the undo renames over it or unlinks it, its last
// close frees it, and the releaser does that close off the undo's thread.
bool lookat(int folder, const std::string& name, struct stat& st, Releaser* releaser, Fd& held)
{
    if (!releaser) {
        return ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    }
    held.reset(::openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    return held.get() >= 0 && ::fstat(held.get(), &st) == 0;
}

// The state one undo carries from line to line.
struct UndoState {
    int files = -1; // the journal's folder of kept files
    UndoFolders folders;
    std::unique_ptr<Releaser> releaser;
};

// Puts back the file of one journal line (its fields `f`, its path `path`) from the
// journal's folder of kept files: counted in `result` as restored, or listed there
// with the reason it was left alone. A file put back already is passed over, so an undo
// stopped or killed midway can be run again.
void undoentry(const std::vector<std::string>& f, const std::string& path, UndoState& state,
               UndoResult& result)
{
    if (f.empty() || path.empty()) {
        return;
    }
    const int files = state.files;
    try {
        std::string name;
        const int folder = state.folders.folderof(path, name);
        struct stat now {
        };
        Fd held;
        const bool there = lookat(folder, name, now, state.releaser.get(), held);
        const auto isleft = [&](const std::string& ino, const std::string& size,
                                const std::string& mtime) {
            return there && std::to_string(now.st_ino) == ino &&
                   std::to_string(now.st_size) == size && std::to_string(mtimens(now)) == mtime;
        };
        const auto freed = [&] {
            if (state.releaser && held.get() >= 0) {
                state.releaser->release(held.take());
            }
        };
        struct stat kept {
        };
        if (f[0] == "R" && f.size() == 7) {
            if (::fstatat(files, f[1].c_str(), &kept, AT_SYMLINK_NOFOLLOW) != 0) {
                return; // put back already
            }
            if (there && std::to_string(now.st_ino) == f[2]) {
                return; // the run was stopped before this replacement
            }
            if (!isleft(f[3], f[4], f[5])) {
                result.failures.emplace_back(path, kChangedSinceReason);
                return;
            }
            if (::renameat(files, f[1].c_str(), folder, name.c_str()) != 0) {
                throw SysError(path, errno);
            }
            freed();
            ++result.restored;
        } else if (f[0] == "C" && f.size() == 5) {
            if (!there) {
                return;
            }
            if (!isleft(f[1], f[2], f[3])) {
                result.failures.emplace_back(path, kChangedSinceReason);
                return;
            }
            if (::unlinkat(folder, name.c_str(), 0) != 0) {
                throw SysError(path, errno);
            }
            freed();
            ++result.restored;
        } else if (f[0] == "D" && f.size() == 3) {
            if (::fstatat(files, f[1].c_str(), &kept, AT_SYMLINK_NOFOLLOW) != 0) {
                return; // not moved, or put back already
            }
            if (::renameat2(files, f[1].c_str(), folder, name.c_str(), RENAME_NOREPLACE) != 0) {
                if (errno == EEXIST) {
                    result.failures.emplace_back(path, kNameTakenReason);
                    return;
                }
                throw SysError(path, errno);
            }
            ++result.restored;
        }
    } catch (const SysError& e) {
        result.failures.emplace_back(path, e.reason());
    }
}

} // namespace

UndoResult undo(const std::string& id, const UndoSteps& steps)
{
    const std::string record = recordsfolder() + "/" + id + ".run";
    auto values = readrecord(record);
    if (values["journal"].empty() || values["state"] == "undone" || values["state"] == "purging") {
        throw SysError(id, "没有可撤销的运行记录");
    }
    const std::string folder = values["journal"];
    Fd files(::open((folder + "/files").c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (files.get() < 0) {
        throw SysError(folder, errno);
    }
    std::vector<std::string> lines;
    {
        std::ifstream in(folder + "/log");
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
    }
    UndoState state;
    state.files = files.get();
    // Undoing a replacement or a creation frees the run's file: the releaser takes the
    // disk's wait off the undo where the file system discards freed blocks.
    state.releaser = runreleaser(files.get(), false);
    UndoResult result;
    if (steps.counted) {
        steps.counted(lines.size());
    }
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (steps.stop && steps.stop()) {
            state.releaser.reset();
            result.stopped = true;
            return result; // the journal stays as it is: undoing again puts back the rest
        }
        const std::size_t failed = result.failures.size();
        const std::vector<std::string> f = fields(*it);
        const std::string path = f.empty() ? std::string() : unescaped(f.back());
        undoentry(f, path, state, result);
        if (steps.done) {
            steps.done(path, result.failures.size() == failed);
        }
    }
    state.releaser.reset();
    if (result.failures.empty()) {
        purge(id);
    } else {
        appendline(record, "state=undone");
    }
    return result;
}

void purge(const std::string& id)
{
    const std::string record = recordsfolder() + "/" + id + ".run";
    auto values = readrecord(record);
    if (values.empty()) {
        throw SysError(id, "没有这个运行记录");
    }
    // Marked first: a purge killed midway leaves no half-removed run in the history.
    if (values["state"] != kPurgingState) {
        appendline(record, std::string("state=") + kPurgingState);
    }
    removerun(record, values["journal"]);
}

void keepwithin(std::size_t keep, unsigned long long budget)
{
    for (const auto& [record, journal] : marktopurge(keep, budget, std::string())) {
        removerun(record, journal);
    }
}

void keepwithinlater(std::size_t keep, unsigned long long budget, const std::string& spared)
{
    purges().add(marktopurge(keep, budget, spared));
}

void waitforpurges()
{
    purges().wait();
}

} // namespace morvik::platform
