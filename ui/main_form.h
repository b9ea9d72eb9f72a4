#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "conversion/conversion_host.h"
#include "preferences/preference_file.h"

class AboutForm;
class DirectoryList;
class DriveList;
class FileList;
class FolderWatch;
class QLabel;
class QPlainTextEdit;
class QProgressBar;

// The program's one working window: the left column browses level files, the
// right column browses textures, and choosing a texture converts it at once.
// The window is also the conversion's host, and remembers the texture
// directory between runs.
class MainForm : public QMainWindow, public ConversionHost {
    Q_OBJECT

public:
    // Shows a modal notice; replaceable so that tests can observe and dismiss.
    using MessagePresenter = std::function<void(const QString& text)>;

    // `preferencePlaces` says where the remembered-directory file lives.
    explicit MainForm(PreferenceFile::Places preferencePlaces, QWidget* parent = nullptr);

    // Points Dir2 at the remembered directory, resetting the file to the
    // default when nothing usable is remembered.
    void SetDirectories();
    // Stores Dir2's path in the preference file.
    void SaveDirectories();

    void SetMessagePresenter(MessagePresenter presenter);

    void SetProgressMaximum(float maximum) override;
    void SetProgressValue(std::uint64_t value) override;
    void ProcessEvents() override;
    void ShowMessage(const std::string& text) override;
    std::filesystem::path OutputDirectory() override;
    void SetStatusText(const std::string& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    // Help, About: brings up the one About window.
    void ShowAboutWindow();

private:
    void CreateControls();
    void CreateMenus();
    void LoadForm();
    void FollowDrive();
    void FollowDir1();
    void FollowDir2();
    void WatchListedFolders();
    void RefreshLists();
    void ConvertSelectedTexture();
    void ReportFailure(const QString& text);
    void ShowProgress();
    void LockTextureColumn();
    void UnlockTextureColumn();

    QLabel* Label1 = nullptr;
    DirectoryList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    DirectoryList* Dir2 = nullptr;
    FileList* File2 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QProgressBar* PB1 = nullptr;
    QLabel* Label2 = nullptr;
    DriveList* Drive1 = nullptr;

    FolderWatch* folderWatch_ = nullptr;
    QPointer<AboutForm> about_;
    PreferenceFile::Places preferencePlaces_;
    MessagePresenter presenter_;
    double progressMaximum_ = 100;
    std::uint64_t progressValue_ = 0;
    bool loading_ = false;
    bool resetting_ = false;
    bool converting_ = false;
    bool closeDeferred_ = false;
    QElapsedTimer eventClock_;
    QPointer<QWidget> focusBeforeLock_;
    QPointer<QWidget> focusDuringLock_;
};
