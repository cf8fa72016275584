#include "platform/appfolder.h"

#include "platform/fsobject.h"

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
    const std::size_t slash = buf.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : buf.substr(0, slash);
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
    if (::access(app.c_str(), W_OK) == 0) {
        return app;
    }
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        base = folderpath(xdg);
    } else {
        base = homefolder() + "/.local/share";
    }
    std::string folder = joined(base, "morvik");
    makefolders(folder);
    return folder;
}

std::string resourcepath(const std::string& relative)
{
    const std::string app = appfolder();
    const std::string beside = joined(app, relative);
    if (::access(beside.c_str(), F_OK) == 0) {
        return beside;
    }
    // Installed as PREFIX/bin/morvik with the pictures in PREFIX/share/morvik. Found from
    // the executable rather than from the prefix the build was configured with, so that
    // `cmake --install --prefix` elsewhere and staged installs still find them.
    const std::size_t slash = app.find_last_of('/');
    if (slash != std::string::npos && app.compare(slash, std::string::npos, "/bin") == 0) {
        const std::string prefix = slash == 0 ? std::string("/") : app.substr(0, slash);
        const std::string installed = joined(joined(prefix, "share/morvik"), relative);
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
