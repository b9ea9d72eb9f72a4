#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <vector>

// Tells when the contents of the folders the window lists have changed. A
// burst of changes (a batch of level files, an unpacked archive) settles into
// one notification, and while `busy` holds (a conversion runs) the
// notification waits until it no longer does.
class FolderWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(std::function<bool()> busy, QObject* parent = nullptr);

    // Watches exactly `folders` from now on.
    void Watch(const std::vector<std::filesystem::path>& folders);

signals:
    void Changed();

private:
    void Settled();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::function<bool()> busy_;
};
