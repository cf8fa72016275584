// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/controls.h"
#include "platform/fs/pathname.h"

#include "platform/fs/drives.h"
#include "platform/fs/fsobject.h"
#include "platform/syserror.h"
#include "platform/text/wildcard.h"
#include "widgets/qtglue.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace win
{

namespace
{

// Item roles: the item's full path (bytes), its indentation level in the folder list.
constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
// The drive list's entry text as bytes (the shown text may have lost undecodable bytes).
constexpr int EntryRole = Qt::UserRole + 2;
constexpr int IndentStep = 10;

QByteArray bytes(const std::string& s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string frombytes(const QByteArray& b)
{
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// An absolute folder text: relative paths taken from the working folder, "." and ".."
// resolved by name, no doubled or trailing "/" (the root stays "/"). An empty text is no
// folder at all, never the working folder.
std::string absolutefolder(const std::string& path)
{
    if (path.empty()) {
        throw morvik::platform::SysError(path, ENOENT);
    }
    const std::string full =
        !path.empty() && path[0] == '/' ? path : morvik::platform::workingfolder() + "/" + path;
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= full.size()) {
        size_t slash = full.find('/', pos);
        if (slash == std::string::npos) {
            slash = full.size();
        }
        const std::string part = full.substr(pos, slash - pos);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = slash + 1;
    }
    std::string out;
    for (const auto& p : parts) {
        out += "/" + p;
    }
    return out.empty() ? "/" : out;
}

std::string childpath(const std::string& folder, const std::string& name)
{
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// Draws folder-list rows indented by their level, so the open folder's ancestors and
// its subfolders read as a tree.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(LevelRole).toInt() * IndentStep, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(LevelRole).toInt() * IndentStep;
        return size;
    }
};

} // namespace

// ---------------------------------------------------------------------------------------
// DriveList

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    for (const auto& drive : morvik::platform::drives()) {
        addItem(qs(drive.entry()), bytes(drive.root));
        setItemData(count() - 1, bytes(drive.entry()), EntryRole);
    }
    // Only a choice of the user is a change; selecting a drive from code is not.
    connect(this, &QComboBox::activated, this, &DriveList::pick);
}

void DriveList::pick(int index)
{
    if (index != m_shown) {
        m_shown = index;
        emit changed();
    }
}

std::string DriveList::drive() const
{
    return currentIndex() < 0 ? std::string() : frombytes(currentData(PathRole).toByteArray());
}

std::vector<std::string> DriveList::entries() const
{
    std::vector<std::string> out;
    for (int i = 0; i < count(); ++i) {
        out.push_back(frombytes(itemData(i, EntryRole).toByteArray()));
    }
    return out;
}

void DriveList::selectdrivefor(const std::string& path)
{
    int best = -1;
    size_t bestlength = 0;
    for (int i = 0; i < count(); ++i) {
        const std::string root = frombytes(itemData(i, PathRole).toByteArray());
        const bool holds = root == "/" || path == root ||
                           (path.compare(0, root.size(), root) == 0 && path.size() > root.size() &&
                            path[root.size()] == '/');
        if (holds && (best < 0 || root.size() > bestlength)) {
            best = i;
            bestlength = root.size();
        }
    }
    if (best >= 0) {
        m_shown = best;
        setCurrentIndex(best);
    }
}

// ---------------------------------------------------------------------------------------
// FolderList

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::opendoubleclicked);
}

std::string FolderList::path() const
{
    return m_path;
}

void FolderList::setpath(const std::string& path)
{
    const std::string folder = absolutefolder(path);
    // Read before changing anything, so a failure leaves the list on its old folder.
    const morvik::platform::Folder read = morvik::platform::getfolder(folder);
    std::vector<std::string> subfolders;
    subfolders.reserve(read.subfolders.size());
    for (const auto& sub : read.subfolders) {
        subfolders.push_back(childpath(folder, sub.name));
    }
    const bool moved = folder != m_path;
    m_path = folder;
    m_subfolders = std::move(subfolders);
    fill();
    if (moved) {
        emit changed();
    }
}

int FolderList::listcount() const
{
    return static_cast<int>(m_subfolders.size());
}

std::string FolderList::list(int index) const
{
    if (index < 0 || index >= listcount()) {
        return {};
    }
    return m_subfolders[static_cast<size_t>(index)];
}

void FolderList::refresh()
{
    if (!m_path.empty()) {
        setpath(m_path);
    }
}

void FolderList::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const auto additem = [&](const std::string& name, const std::string& full, int level,
                             const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, qs(name), this);
        item->setData(PathRole, bytes(full));
        item->setData(LevelRole, level);
    };

    additem("/", "/", 0, open);
    int level = 0;
    size_t pos = 1;
    while (pos < m_path.size()) {
        size_t slash = m_path.find('/', pos);
        if (slash == std::string::npos) {
            slash = m_path.size();
        }
        additem(m_path.substr(pos, slash - pos), m_path.substr(0, slash), ++level, open);
        pos = slash + 1;
    }
    m_firstsubfolderrow = count();
    for (const auto& sub : m_subfolders) {
        additem(std::string(morvik::platform::leafname(sub)), sub, level + 1, closed);
    }
    setCurrentRow(m_firstsubfolderrow - 1);
}

void FolderList::opendoubleclicked(QListWidgetItem* item)
{
    if (!item) {
        return;
    }
    const std::string target = frombytes(item->data(PathRole).toByteArray());
    guard(window(), [&] { setpath(target); });
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        opendoubleclicked(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------
// FileList

FileList::FileList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Folders of a hundred thousand files: one row height for all, no sorting.
    setUniformItemSizes(true);
}

void FileList::setpath(const std::string& path)
{
    const std::string folder = absolutefolder(path);
    const morvik::platform::Folder read = morvik::platform::getfolder(folder);
    std::vector<std::string> visible;
    visible.reserve(read.files.size());
    for (const auto& file : read.files) {
        if (file.visible()) {
            visible.push_back(file.name);
        }
    }
    m_path = folder;
    m_visible = std::move(visible);
    fill();
}

void FileList::clearpath()
{
    m_path.clear();
    m_visible.clear();
    fill();
}

void FileList::setpattern(const std::string& pattern)
{
    m_pattern = pattern;
    fill();
}

int FileList::listcount() const
{
    return static_cast<int>(m_names.size());
}

std::string FileList::list(int index) const
{
    if (index < 0 || index >= listcount()) {
        return {};
    }
    return m_names[static_cast<size_t>(index)];
}

int FileList::listindex() const
{
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? currentRow() : -1;
}

void FileList::refresh()
{
    if (!m_path.empty()) {
        setpath(m_path);
    }
}

void FileList::fill()
{
    const morvik::platform::PatternFilter filter(m_pattern);
    m_names.clear();
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(m_visible.size()));
    for (const auto& name : m_visible) {
        if (filter.matches(name)) {
            m_names.push_back(name);
            shown.push_back(qs(name));
        }
    }
    clear();
    addItems(shown);
}

} // namespace win
