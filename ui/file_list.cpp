#include "file_list.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

#include "file_pattern.h"
#include "path_names.h"

FileList::FileList(const QString& pattern, QWidget* parent) : QListWidget(parent), pattern_(pattern)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // Selection, not the current row: focus arriving by Tab marks a row as
    // current without choosing it.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &FileList::OnSelectionChanged);
}

bool FileList::SetDirectory(const std::filesystem::path& directory, QString* failure)
{
    std::vector<std::filesystem::path> names;
    try {
        names = FilePattern::ListMatchingFiles(directory, pattern_.toStdString());
    } catch (const std::filesystem::filesystem_error& error) {
        if (failure != nullptr) {
            *failure = DirectoryFailureText(directory, error.code());
        }
        return false;
    }
    clear();
    for (const std::filesystem::path& name : names) {
        addItem(DisplayText(name));
    }
    names_ = std::move(names);
    directory_ = directory;
    return true;
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
