#pragma once

#include <QListWidget>
#include <QString>

// The files of one directory whose names match a wildcard pattern, in name
// order. The listing is complete as soon as the directory is set.
class FileList : public QListWidget {
    Q_OBJECT

public:
    explicit FileList(const QString& pattern, QWidget* parent = nullptr);

    QString Pattern() const { return pattern_; }
    QString Directory() const { return directory_; }

    // Lists `directory`. When it cannot be listed the list stays as it was,
    // `failure` receives a text naming the path and the reason, and the
    // result is false.
    bool SetDirectory(const QString& directory, QString* failure = nullptr);

    // The row of the selected entry, or -1 when nothing is selected.
    int SelectedIndex() const;

signals:
    // An entry was selected, by mouse or keyboard; also when the selected
    // entry is clicked again.
    void Clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnSelectionChanged();

    QString pattern_;
    QString directory_;
    bool selectionChangedByPress_ = false;
};
