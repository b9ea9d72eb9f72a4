#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

// The machine's drives as a drop-down list: the drive letters where paths
// have them ("C:", "D:", each naming that drive's current directory), and
// elsewhere the root and the mount points of the real mounted volumes.
class DriveList : public QComboBox {
    Q_OBJECT

public:
    // Offers the machine's drives with the one holding the working directory
    // selected.
    explicit DriveList(QWidget* parent = nullptr);

    // The selected drive: "D:", or a mount point's root path.
    QString Drive() const;

    // Offers `drives`, selecting `current` (added when missing), without a
    // change notification.
    void SetDrives(QStringList drives, const QString& current);

    static QStringList MachineDrives();
    static QString DriveOf(const QString& path);

signals:
    // Another drive was chosen.
    void DriveChanged();

protected:
    // Volumes come and go: the list is read again each time it opens.
    void showPopup() override;

private:
    bool settingDrives_ = false;
};
