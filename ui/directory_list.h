#pragma once

#include <QString>
#include <QTreeWidget>

#include <filesystem>
#include <vector>

// A directory browser: the current directory under its ancestors, indented as
// a path down from the root, with its subdirectories one step further in.
// Opening an entry (double click, or Enter) moves there.
class DirectoryList : public QTreeWidget {
    Q_OBJECT

public:
    explicit DirectoryList(QWidget* parent = nullptr);

    // The current directory; it ends in a separator only at a root. Empty
    // until a path has been set.
    const std::filesystem::path& Path() const { return path_; }

    // Moves to the directory that `path` names (a relative path is taken from
    // the working directory). When it names nothing that can be listed, the
    // list stays as it was, the result is false and FailureText() names the
    // path and the reason.
    bool SetPath(const std::filesystem::path& path);
    const QString& FailureText() const { return failure_; }

    // Lists the current directory's subdirectories again, keeping the entry
    // under the cursor (while it is still there) and the scroll position; the
    // path stays. A directory that cannot be listed any more leaves the list
    // as it was.
    void Refresh();

signals:
    // The current directory is another one now.
    void PathChanged();
    // The user opened an entry that cannot be shown (it vanished, say).
    void OpenFailed(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    void Open(QTreeWidgetItem* item);
    void Show(const std::filesystem::path& target, std::vector<std::filesystem::path> subdirectories);
    QTreeWidgetItem* AddEntry(QTreeWidgetItem* parent, const std::filesystem::path& text,
                              const std::filesystem::path& path, bool open);

    std::filesystem::path path_;
    std::vector<std::filesystem::path> subdirectories_;
    // The native path of each entry, by the index its item carries.
    std::vector<std::filesystem::path> entryPaths_;
    QString failure_;
};
