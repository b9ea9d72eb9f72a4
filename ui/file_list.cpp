#include "ui/file_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

#include "conversion/file_pattern.h"
#include "ui/path_names.h"

FileList::FileList(const QString& pattern, QWidget* parent) : QListWidget(parent), pattern_(pattern)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // Selection, not the current row: focus arriving by Tab marks a row as
    // current without choosing it.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &FileList::OnSelectionChanged);
}

bool FileList::SetDirectory(const std::filesystem::path& directory)
{
    std::vector<std::filesystem::path> names;
    try {
        names = FilePattern::ListMatchingFiles(directory, pattern_.toStdString());
    } catch (const std::filesystem::filesystem_error& error) {
        failure_ = DirectoryFailureText(directory, error.code());
        return false;
    }
    Show(std::move(names));
    directory_ = directory;
    return true;
}

void FileList::Refresh()
{
    std::vector<std::filesystem::path> names;
    try {
        names = FilePattern::ListMatchingFiles(directory_, pattern_.toStdString());
    } catch (const std::filesystem::filesystem_error&) {
        return;
    }
    if (names == names_) {
        return;
    }
    const auto nameAt = [this](int row) { return row >= 0 ? names_[static_cast<std::size_t>(row)] : std::filesystem::path(); };
    const std::filesystem::path selected = nameAt(SelectedIndex());
    const std::filesystem::path current = nameAt(currentRow());
    const int scrolled = verticalScrollBar()->value();
    {
        // The selection is put back, not made: no Clicked.
        const QSignalBlocker quiet(selectionModel());
        Show(std::move(names));
        const auto rowOf = [this](const std::filesystem::path& name) {
            const auto found = std::find(names_.begin(), names_.end(), name);
            return name.empty() || found == names_.end() ? -1 : static_cast<int>(found - names_.begin());
        };
        if (const int row = rowOf(current); row >= 0) {
            selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
        }
        if (const int row = rowOf(selected); row >= 0) {
            item(row)->setSelected(true);
        }
    }
    verticalScrollBar()->setValue(scrolled);
    viewport()->update();
}

void FileList::Show(std::vector<std::filesystem::path> names)
{
    clear();
    for (const std::filesystem::path& name : names) {
        addItem(DisplayText(name));
    }
    names_ = std::move(names);
}

int FileList::SelectedIndex() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void FileList::keyPressEvent(QKeyEvent* event)
{
    // With nothing chosen yet, the first arrow key chooses the entry marked
    // as current (the first one by default) instead of stepping past it.
    const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (arrow && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && SelectedIndex() < 0 && count() > 0) {
        setCurrentRow(std::max(currentRow(), 0));
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FileList::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();  // only the left button chooses an entry
        return;
    }
    selectionChangedByPress_ = false;
    QListWidgetItem* pressed = itemAt(event->position().toPoint());
    QListWidget::mousePressEvent(event);
    // A click on the entry already selected chooses it again.
    if (!selectionChangedByPress_ && pressed != nullptr && pressed->isSelected()) {
        emit Clicked();
    }
}

void FileList::OnSelectionChanged()
{
    selectionChangedByPress_ = true;
    if (SelectedIndex() >= 0) {
        emit Clicked();
    }
}
