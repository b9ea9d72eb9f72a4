#include "ui/folder_watch.h"

#include <QStringList>

#include <utility>

#include "ui/path_names.h"

namespace {

// Long enough to gather a burst, short enough to feel immediate.
constexpr int kSettleMs = 100;

}  // namespace

FolderWatch::FolderWatch(std::function<bool()> busy, QObject* parent) : QObject(parent), busy_(std::move(busy))
{
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_, qOverload<>(&QTimer::start));
    connect(&settle_, &QTimer::timeout, this, &FolderWatch::Settled);
}

void FolderWatch::Watch(const std::vector<std::filesystem::path>& folders)
{
    QStringList wanted;
    for (const std::filesystem::path& folder : folders) {
        if (!folder.empty() && !wanted.contains(DisplayText(folder))) {
            wanted << DisplayText(folder);
        }
    }
    QStringList stale = watcher_.directories();
    for (const QString& folder : std::as_const(wanted)) {
        stale.removeOne(folder);
    }
    if (!stale.isEmpty()) {
        watcher_.removePaths(stale);
    }
    for (const QString& folder : std::as_const(wanted)) {
        // Already watched, or a folder that cannot be watched: either way nothing to do.
        if (!watcher_.directories().contains(folder)) {
            watcher_.addPath(folder);
        }
    }
}

void FolderWatch::Settled()
{
    if (busy_()) {
        settle_.start();
        return;
    }
    emit Changed();
}
