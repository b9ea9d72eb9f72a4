#pragma once

#include <QListWidget>
#include <QString>

#include <filesystem>
#include <vector>

// The files of one directory whose names match a wildcard pattern, in name
// order. The listing is complete as soon as the directory is set.
class FileList : public QListWidget {
    Q_OBJECT

public:
    explicit FileList(const QString& pattern, QWidget* parent = nullptr);

    QString Pattern() const { return pattern_; }
    const std::filesystem::path& Directory() const { return directory_; }

    // Lists `directory`. When it cannot be listed the list stays as it was,
    // the result is false and FailureText() names the path and the reason.
    bool SetDirectory(const std::filesystem::path& directory);
    const QString& FailureText() const { return failure_; }

    // Lists the directory again, keeping the selected and current entries
    // (by name, while they are still there) and the scroll position. Choosing
    // nothing, it converts nothing. A directory that cannot be listed any
    // more leaves the list as it was.
    void Refresh();

    // The row of the selected entry, or -1 when nothing is selected.
    int SelectedIndex() const;
    // The file name listed at `row`, as the file system holds it.
    const std::filesystem::path& NameAt(int row) const { return names_[static_cast<std::size_t>(row)]; }

signals:
    // An entry was selected, by mouse or keyboard; also when the selected
    // entry is clicked again.
    void Clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnSelectionChanged();
    void Show(std::vector<std::filesystem::path> names);

    QString pattern_;
    std::filesystem::path directory_;
    std::vector<std::filesystem::path> names_;
    QString failure_;
    bool selectionChangedByPress_ = false;
};
