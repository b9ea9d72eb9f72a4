#include "ui/drive_list.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string_view>

#include "ui/path_names.h"

namespace {

// Memory-backed and kernel file systems, desktop helper mounts and read-only
// package images: places where nobody keeps textures. Removable media often
// sit under /run/media, so /run itself is judged by type alone.
bool IsPseudoVolume(const QStorageInfo& volume)
{
    static constexpr std::string_view kTypes[] = {
        "tmpfs", "devtmpfs", "ramfs",   "squashfs",   "nsfs",        "efivarfs",
        "proc",  "sysfs",    "autofs", "fuse.portal", "fuse.lxcfs", "fuse.gvfsd-fuse",
    };
    const QByteArray type = volume.fileSystemType();
    if (std::find(std::begin(kTypes), std::end(kTypes), std::string_view(type.constData(), type.size())) != std::end(kTypes)) {
        return true;
    }
    const QString root = volume.rootPath();
    for (const char* system : {"/proc", "/sys", "/dev", "/snap"}) {
        const QString prefix = QString::fromLatin1(system);
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/'))) {
            return true;
        }
    }
    return false;
}

// "D:" for a path on drive D, where paths have drive letters; empty elsewhere.
QString DriveLetterOf(const QString& path)
{
    const std::filesystem::path rootName = NativePath(path).root_name();
    const QString letter = DisplayText(rootName).toUpper();
    return letter.size() == 2 && letter.endsWith(QLatin1Char(':')) ? letter : QString();
}

}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!settingDrives_) {
            emit DriveChanged();
        }
    });
    SetDrives(MachineDrives(), DriveOf(QDir::currentPath()));
}

QString DriveList::Drive() const
{
    return currentText();
}

void DriveList::SetDrives(QStringList drives, const QString& current)
{
    if (!current.isEmpty() && !drives.contains(current)) {
        drives.append(current);
    }
    settingDrives_ = true;
    clear();
    addItems(drives);
    setCurrentIndex(static_cast<int>(drives.indexOf(current)));
    settingDrives_ = false;
}

QStringList DriveList::MachineDrives()
{
    // Drive letters, where paths have them: every one, also a drive without
    // a medium, as "D:" (which names the drive's current directory).
    QStringList letters;
    for (const QFileInfo& drive : QDir::drives()) {
        const QString letter = DriveLetterOf(drive.filePath());
        if (!letter.isEmpty()) {
            letters.append(letter);
        }
    }
    if (!letters.isEmpty()) {
        return letters;
    }

    // Elsewhere the root and the mount points of the real volumes.
    QStringList drives{QDir::rootPath()};
    QStringList volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (volume.isValid() && volume.isReady() && !IsPseudoVolume(volume) && !drives.contains(root) &&
            !volumes.contains(root) && QFileInfo(root).isDir()) {
            volumes.append(root);
        }
    }
    volumes.sort(Qt::CaseInsensitive);
    return drives + volumes;
}

QString DriveList::DriveOf(const QString& path)
{
    const QString letter = DriveLetterOf(path);
    if (!letter.isEmpty()) {
        return letter;
    }
    const QStorageInfo volume(path);
    return volume.isValid() ? volume.rootPath() : QDir::rootPath();
}

void DriveList::showPopup()
{
    SetDrives(MachineDrives(), Drive());
    QComboBox::showPopup();
}
