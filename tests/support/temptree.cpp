// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/temptree.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace morvik::test
{

TempTree::TempTree(const std::string& base, std::string_view prefix)
{
    const fs::path folder = base.empty() ? fs::temp_directory_path() : fs::path(base);
    std::string templ = (folder / (std::string(prefix) + "-XXXXXX")).string();
    if (!mkdtemp(templ.data())) {
        throw std::runtime_error("cannot make a temporary folder " + templ + ": " +
                                 std::strerror(errno));
    }
    m_root = templ;
}

TempTree::~TempTree()
{
    std::error_code ec;
    // Give back write and search rights that a test took away, so everything goes.
    for (auto it = fs::recursive_directory_iterator(m_root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            chmod(it->path().c_str(), 0755);
        }
    }
    chmod(m_root.c_str(), 0755);
    fs::remove_all(m_root, ec);
}

std::string TempTree::path(std::string_view relative) const
{
    if (relative.empty()) {
        return m_root;
    }
    return m_root + "/" + std::string(relative);
}

std::string TempTree::createFile(std::string_view relative, std::string_view bytes)
{
    const std::string p = path(relative);
    fs::create_directories(fs::path(p).parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + p);
    }
    return p;
}

std::string TempTree::createDir(std::string_view relative)
{
    const std::string p = path(relative);
    fs::create_directories(p);
    return p;
}

std::string TempTree::createSymlink(std::string_view relative, const std::string& target)
{
    const std::string p = path(relative);
    fs::create_directories(fs::path(p).parent_path());
    fs::create_symlink(target, p);
    return p;
}

void TempTree::setMode(std::string_view relative, unsigned mode)
{
    if (chmod(path(relative).c_str(), mode) != 0) {
        throw std::runtime_error("chmod failed");
    }
}

std::string TempTree::read(std::string_view relative) const
{
    return readAll(path(relative));
}

bool TempTree::exists(std::string_view relative) const
{
    struct stat st;
    return lstat(path(relative).c_str(), &st) == 0;
}

std::string TempTree::listing(std::string_view relative) const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path(relative))) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names) {
        if (!out.empty()) {
            out += "|";
        }
        out += n;
    }
    return out;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool runningAsRoot()
{
    return geteuid() == 0;
}

} // namespace morvik::test
