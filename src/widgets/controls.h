// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QListWidget>

#include <string>
#include <vector>

// Qt stand-ins of the platform's drive list, folder list and file list. Paths are byte
// strings (std::string) and folders are read through the platform layer, never QDir,
// so names that are not valid UTF-8 are listed like any other.
namespace win
{

// The drive list: the file-system roots ("/", the home folder, mounted volumes of real
// file systems); an entry is the root path, plus " [label]" where the volume has one.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // The selected entry's root path (without the label).
    std::string drive() const;
    // Entry texts as shown.
    std::vector<std::string> entries() const;
    // Selects the entry whose root holds the path best (the longest root that is a
    // prefix), without raising changed().
    void selectdrivefor(const std::string& path);

signals:
    // The user picked another drive.
    void changed();

private:
    void pick(int index);
    int m_shown = 0;
};

// The folder list: the open folder's ancestors and the open folder, then its direct
// subfolders. A single click only highlights; a double click opens a folder.
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // The open folder: no trailing "/" except the root.
    std::string path() const;
    // Opens a folder; throws platform::SysError when it cannot be read or the text is
    // empty (the list keeps its folder then). Raises changed() when the path changes.
    void setpath(const std::string& path);
    // Direct subfolders of the open folder as full paths, in byte order.
    int listcount() const;
    std::string list(int index) const;
    // Re-reads the open folder from disk.
    void refresh();

signals:
    void changed();

protected:
    // Enter opens the highlighted folder, as a double click does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    void opendoubleclicked(QListWidgetItem* item);
    std::string m_path;
    std::vector<std::string> m_subfolders;
    int m_firstsubfolderrow = 0;
};

// The file list: the visible files of a folder that match the pattern ("*.*" lists all
// files; "*.htm;*.css" several patterns), in byte order.
class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    std::string path() const { return m_path; }
    // Shows the files of a folder; throws platform::SysError when it cannot be read or
    // the text is empty.
    void setpath(const std::string& path);
    // Shows no folder: an empty path and no entries.
    void clearpath();
    std::string pattern() const { return m_pattern; }
    void setpattern(const std::string& pattern);
    int listcount() const;
    std::string list(int index) const;
    // Index of the selected entry, -1 when none.
    int listindex() const;
    void refresh();

private:
    void fill();
    std::string m_path;
    std::string m_pattern = "*.*";
    std::vector<std::string> m_visible; // every visible file of the folder
    std::vector<std::string> m_names;   // the ones the pattern lets through
};

} // namespace win
