// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/appfolder.h"
#include "platform/fs/pathname.h"

#include "platform/fs/fsobject.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik::platform
{

namespace
{

std::mutex& statemutex()
{
    static std::mutex m;
    return m;
}

std::string& overridefolder()
{
    static std::string folder;
    return folder;
}

std::string executablefolder()
{
    std::string buf(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0) {
        return folderpath(".");
    }
    buf.resize(static_cast<std::size_t>(n));
    return parentfolder(buf);
}

std::string homefolder()
{
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_dir) {
        return pw->pw_dir;
    }
    return "/tmp";
}

// mkdir -p; failures are left for the first write into the folder to report.
void makefolders(const std::string& path)
{
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                return;
            }
        }
    }
}

std::string joined(const std::string& folder, const std::string& relative)
{
    return folder == "/" ? "/" + relative : folder + "/" + relative;
}

bool isfolder(const std::string& path)
{
    struct stat st {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// PREFIX/share/morvik for an executable installed as PREFIX/bin/morvik; empty otherwise.
// Found from the executable rather than from the prefix the build was configured with,
// so that `cmake --install --prefix` elsewhere and staged installs work alike.
std::string installedsharefolder(const std::string& app)
{
    const std::size_t slash = app.find_last_of('/');
    if (slash == std::string::npos || app.compare(slash, std::string::npos, "/bin") != 0) {
        return {};
    }
    const std::string prefix = parentfolder(app);
    return joined(prefix, "share/morvik");
}

// An installed program has no pictures beside it and finds them under its prefix. It
// never writes beside its executable, even when it may (root running /usr/bin/morvik).
bool isinstalled(const std::string& app)
{
    if (isfolder(joined(app, "ico"))) {
        return false;
    }
    const std::string share = installedsharefolder(app);
    return !share.empty() && isfolder(joined(share, "ico"));
}

std::string userdatafolder()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        base = folderpath(xdg);
    } else {
        base = joined(homefolder(), ".local/share");
    }
    std::string folder = joined(base, "morvik");
    makefolders(folder);
    return folder;
}

} // namespace

std::string appfolder()
{
    std::lock_guard lock(statemutex());
    if (!overridefolder().empty()) {
        return overridefolder();
    }
    static const std::string folder = executablefolder();
    return folder;
}

std::string datafolder()
{
    const std::string app = appfolder();
    if (!isinstalled(app) && ::access(app.c_str(), W_OK) == 0) {
        return app;
    }
    return userdatafolder();
}

std::string resourcepath(const std::string& relative)
{
    const std::string app = appfolder();
    const std::string beside = joined(app, relative);
    if (::access(beside.c_str(), F_OK) == 0) {
        return beside;
    }
    if (const std::string share = installedsharefolder(app); !share.empty()) {
        const std::string installed = joined(share, relative);
        if (::access(installed.c_str(), F_OK) == 0) {
            return installed;
        }
    }
    return beside;
}

void setappfolderfortesting(const std::string& folder)
{
    std::lock_guard lock(statemutex());
    overridefolder() = folder.empty() ? std::string() : folderpath(folder);
}

} // namespace morvik::platform
