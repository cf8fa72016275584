// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace morvik::test
{

// A temporary folder tree, removed with everything in it at the end: one test's, a fuzz
// target's scratch folder, a bench program's data folder. Paths given to the helpers are
// relative to the tree's root; parents are made as needed.
class TempTree
{
public:
    // A new folder named after `prefix` under `base` (the system's temporary folder, or
    // $TMPDIR, when empty), private to its owner. Throws std::runtime_error when it cannot
    // be made.
    explicit TempTree(const std::string& base = {}, std::string_view prefix = "morvik-test");
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root folder, without a trailing "/".
    const std::string& root() const { return m_root; }
    // root + "/" + relative
    std::string path(std::string_view relative) const;

    std::string createFile(std::string_view relative, std::string_view bytes = {});
    std::string createDir(std::string_view relative);
    std::string createSymlink(std::string_view relative, const std::string& target);
    void setMode(std::string_view relative, unsigned mode);

    std::string read(std::string_view relative) const;
    bool exists(std::string_view relative) const;
    // Names of the entries of a folder, sorted, joined by "|" (hidden ones included).
    std::string listing(std::string_view relative = {}) const;

private:
    std::string m_root;
};

// Reads any file whole (throws std::runtime_error when it cannot).
std::string readAll(const std::string& path);

// Whether the tests run with root's rights (permission checks behave differently).
bool runningAsRoot();

} // namespace morvik::test
