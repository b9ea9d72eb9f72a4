#include "ui/directory_list.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidgetItemIterator>

#include <algorithm>

#include <system_error>

#include "conversion/file_pattern.h"
#include "ui/path_names.h"

namespace {

constexpr int kEntryRole = Qt::UserRole;

}  // namespace

DirectoryList::DirectoryList(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);  // the tree is a path, not something to fold
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setIndentation(10);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { Open(item); });
}

bool DirectoryList::SetPath(const std::filesystem::path& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target;
    if (path.empty()) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
    } else {
        target = fs::absolute(path, error).lexically_normal();
        if (!target.has_filename() && target.has_relative_path()) {
            target = target.parent_path();  // no trailing separator except at a root
        }
    }
    if (!error && !fs::is_directory(target, error) && !error) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    std::vector<fs::path> subdirectories;
    if (!error) {
        try {
            subdirectories = FilePattern::ListSubdirectories(target);
        } catch (const fs::filesystem_error& listingError) {
            error = listingError.code();
        }
    }
    if (error) {
        failure_ = DirectoryFailureText(target.empty() ? path : target, error);
        return false;
    }

    Show(target, std::move(subdirectories));
    scrollToItem(currentItem());

    const bool changed = target != path_;
    path_ = std::move(target);
    if (changed) {
        emit PathChanged();
    }
    return true;
}

void DirectoryList::Refresh()
{
    std::vector<std::filesystem::path> subdirectories;
    try {
        subdirectories = FilePattern::ListSubdirectories(path_);
    } catch (const std::filesystem::filesystem_error&) {
        return;
    }
    if (subdirectories == subdirectories_) {
        return;
    }
    const std::filesystem::path underCursor =
        currentItem() != nullptr ? entryPaths_[currentItem()->data(0, kEntryRole).toUInt()] : path_;
    const int scrolled = verticalScrollBar()->value();
    Show(path_, std::move(subdirectories));
    const auto found = std::find(entryPaths_.begin(), entryPaths_.end(), underCursor);
    for (QTreeWidgetItemIterator entry(this); *entry != nullptr && found != entryPaths_.end(); ++entry) {
        if ((*entry)->data(0, kEntryRole).toUInt() == static_cast<uint>(found - entryPaths_.begin())) {
            setCurrentItem(*entry);
            break;
        }
    }
    verticalScrollBar()->setValue(scrolled);
}

void DirectoryList::Show(const std::filesystem::path& target, std::vector<std::filesystem::path> subdirectories)
{
    namespace fs = std::filesystem;
    clear();
    entryPaths_.clear();
    fs::path walked = target.root_path();
    QTreeWidgetItem* current = AddEntry(nullptr, walked, walked, true);
    for (const fs::path& part : target.relative_path()) {
        walked /= part;
        current = AddEntry(current, part, walked, true);
    }
    for (const fs::path& name : subdirectories) {
        AddEntry(current, name, target / name, false);
    }
    subdirectories_ = std::move(subdirectories);
    expandAll();
    setCurrentItem(current);
}

void DirectoryList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem() != nullptr) {
        Open(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DirectoryList::drawBranches(QPainter*, const QRect&, const QModelIndex&) const
{
    // Indentation alone shows the path; there is nothing to fold.
}

void DirectoryList::Open(QTreeWidgetItem* item)
{
    // Copied: moving there replaces the entries.
    const std::filesystem::path path = entryPaths_[item->data(0, kEntryRole).toUInt()];
    if (!SetPath(path)) {
        emit OpenFailed(failure_);
    }
}

QTreeWidgetItem* DirectoryList::AddEntry(QTreeWidgetItem* parent, const std::filesystem::path& text,
                                         const std::filesystem::path& path, bool open)
{
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, DisplayText(text));
    item->setData(0, kEntryRole, static_cast<uint>(entryPaths_.size()));
    entryPaths_.push_back(path);
    item->setIcon(0, style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirIcon));
    return item;
}
