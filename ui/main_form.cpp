#include "ui/main_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScopedValueRollback>

#include <algorithm>
#include <utility>
#include <cmath>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <limits>

#include "conversion/file_pattern.h"
#include "conversion/import_file.h"
#include "conversion/path_text.h"
#include "preferences/preference_file.h"
#include "ui/about_form.h"
#include "ui/courier_new.h"
#include "ui/directory_list.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_watch.h"
#include "ui/path_names.h"

namespace {

constexpr int kClientWidth = 738;
constexpr int kClientHeight = 489;
constexpr qint64 kEventIntervalMs = 15;

// The stored default "C:" names drive C's current directory. Where paths have
// no drive letters that is the working directory; the file keeps the text.
std::filesystem::path ResolveStoredDirectory(const std::filesystem::path& stored)
{
    const std::filesystem::path defaultPath(PreferenceFile::kDefaultDirectory);
    const QString text = DisplayText(stored);
    if (!defaultPath.has_root_name() && text.compare(DisplayText(defaultPath), Qt::CaseInsensitive) == 0) {
        std::error_code error;
        std::filesystem::path working = std::filesystem::current_path(error);
        return error ? stored : working;
    }
    return stored;
}

QString PatternText(std::string_view pattern)
{
    return QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size()));
}

QString FailureText(const std::exception& failure)
{
    if (const auto* fileSystem = dynamic_cast<const std::filesystem::filesystem_error*>(&failure)) {
        return QStringLiteral("Cannot use %1: %2")
            .arg(DisplayText(fileSystem->path1()), MessageText(fileSystem->code().message()));
    }
    return MessageText(failure.what());
}

}  // namespace

MainForm::MainForm(PreferenceFile::Places preferencePlaces, QWidget* parent)
    : QMainWindow(parent), preferencePlaces_(std::move(preferencePlaces))
{
    presenter_ = [this](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Torvane"), text, QMessageBox::Ok, this);
        box.exec();
    };
    setWindowTitle(QStringLiteral("Torvane by Quorrin"));
    CreateControls();
    CreateMenus();
    // The layout gives the menu bar its height for the window's width, which
    // with the Windows style is a pixel more than its size hint.
    const int menuHeight = menuBar()->heightForWidth(kClientWidth);
    resize(kClientWidth, kClientHeight + (menuHeight > 0 ? menuHeight : menuBar()->sizeHint().height()));
    LoadForm();

    // The lists follow what happens in their folders, a level file written
    // by a conversion included, but never in the middle of one.
    folderWatch_ = new FolderWatch([this] { return converting_; }, this);
    connect(folderWatch_, &FolderWatch::Changed, this, &MainForm::RefreshLists);
    connect(Dir1, &DirectoryList::PathChanged, this, &MainForm::WatchListedFolders);
    connect(Dir2, &DirectoryList::PathChanged, this, &MainForm::WatchListedFolders);
    WatchListedFolders();
}

void MainForm::CreateControls()
{
    // Fixed positions, as drawn; resizing the window moves nothing.
    auto* client = new QWidget(this);
    setCentralWidget(client);
    const QFont labelFont = CourierNew(9.75, QFont::Bold);
    const QFont directoryFont = CourierNew(8.25, QFont::Normal);

    Label1 = new QLabel(QStringLiteral("Target lvl File:"), client);
    Label1->setGeometry(8, 0, 137, 17);
    Label1->setFont(labelFont);
    Label1->setWordWrap(true);

    Dir1 = new DirectoryList(client);
    Dir1->setGeometry(8, 24, 193, 214);
    Dir1->setFont(directoryFont);
    std::error_code noWorkingDirectory;
    Dir1->SetPath(std::filesystem::current_path(noWorkingDirectory));

    File1 = new FileList(PatternText(FilePattern::kLevelFiles), client);
    File1->setGeometry(8, 248, 193, 201);

    Dir2 = new DirectoryList(client);
    Dir2->setGeometry(536, 48, 193, 182);
    Dir2->setFont(directoryFont);

    File2 = new FileList(PatternText(FilePattern::kTextures), client);
    File2->setGeometry(536, 248, 193, 201);

    Text1 = new QPlainTextEdit(client);
    Text1->setGeometry(208, 248, 321, 201);
    // An ordinary text box: the user may type into it, and the next status
    // line replaces whatever is there.

    PB1 = new QProgressBar(client);
    PB1->setGeometry(8, 456, 721, 25);
    PB1->setRange(0, 100);
    PB1->setValue(0);
    PB1->setTextVisible(false);
    PB1->setFocusPolicy(Qt::NoFocus);

    Label2 = new QLabel(QStringLiteral("Edited lvl File:"), client);
    Label2->setGeometry(536, 0, 137, 17);
    Label2->setFont(labelFont);
    Label2->setWordWrap(true);

    Drive1 = new DriveList(client);
    Drive1->setGeometry(536, 24, 193, 21);

    Label1->setObjectName(QStringLiteral("Label1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    File1->setObjectName(QStringLiteral("File1"));
    Dir2->setObjectName(QStringLiteral("Dir2"));
    File2->setObjectName(QStringLiteral("File2"));
    Text1->setObjectName(QStringLiteral("Text1"));
    PB1->setObjectName(QStringLiteral("PB1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Drive1->setObjectName(QStringLiteral("Drive1"));

    setTabOrder(Dir1, File1);
    setTabOrder(File1, Dir2);
    setTabOrder(Dir2, File2);
    setTabOrder(File2, Text1);
    setTabOrder(Text1, Drive1);

    connect(Drive1, &DriveList::DriveChanged, this, &MainForm::FollowDrive);
    connect(Dir1, &DirectoryList::PathChanged, this, &MainForm::FollowDir1);
    connect(Dir2, &DirectoryList::PathChanged, this, &MainForm::FollowDir2);
    connect(File2, &FileList::Clicked, this, &MainForm::ConvertSelectedTexture);
    connect(Dir1, &DirectoryList::OpenFailed, this, &MainForm::ReportFailure);
    connect(Dir2, &DirectoryList::OpenFailed, this, &MainForm::ReportFailure);
}

void MainForm::CreateMenus()
{
    // "File" has no items: choosing it does nothing.
    QAction* file = menuBar()->addAction(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->menuAction()->setObjectName(QStringLiteral("Help"));
    QAction* about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, &MainForm::ShowAboutWindow);
}

void MainForm::ShowAboutWindow()
{
    // One About window at most, owned by no other window: the main window
    // stays usable, and closing it first leaves the About window open.
    if (about_ == nullptr) {
        about_ = new AboutForm();
    }
    about_->Present();
}

void MainForm::LoadForm()
{
    // Nothing is reported while the window comes up: a directory that cannot
    // be shown is dealt with by SetDirectories.
    const QScopedValueRollback<bool> loading(loading_, true);
    SetDirectories();
    File1->SetDirectory(Dir1->Path());
    File2->SetDirectory(Dir2->Path());
}

void MainForm::SetDirectories()
{
    if (const auto stored = PreferenceFile::ReadRemembered(preferencePlaces_)) {
        if (Dir2->SetPath(ResolveStoredDirectory(*stored))) {
            return;
        }
    }
    // Nothing usable is remembered: reset the file and load again from it.
    // The reset runs once; when the file cannot be written or its default is
    // refused too, the window settles quietly on the working directory (or
    // the root, should that have gone).
    if (!resetting_ &&
        PreferenceFile::Remember(preferencePlaces_, std::filesystem::path(PreferenceFile::kDefaultDirectory))) {
        const QScopedValueRollback<bool> resetting(resetting_, true);
        LoadForm();
        return;
    }
    std::error_code noWorkingDirectory;
    if (!Dir2->SetPath(std::filesystem::current_path(noWorkingDirectory))) {
        Dir2->SetPath(NativePath(QDir::rootPath()));
    }
}

void MainForm::SaveDirectories()
{
    // A failure only loses the remembered directory, and the window is
    // closing: it is not reported.
    static_cast<void>(PreferenceFile::Remember(preferencePlaces_, Dir2->Path()));
}

void MainForm::SetMessagePresenter(MessagePresenter presenter)
{
    presenter_ = std::move(presenter);
}

void MainForm::FollowDrive()
{
    if (!Dir2->SetPath(NativePath(Drive1->Drive()))) {
        ReportFailure(Dir2->FailureText());
    }
}

void MainForm::FollowDir1()
{
    if (!File1->SetDirectory(Dir1->Path())) {
        ReportFailure(File1->FailureText());
    }
}

void MainForm::FollowDir2()
{
    if (!File2->SetDirectory(Dir2->Path())) {
        ReportFailure(File2->FailureText());
    }
}

void MainForm::WatchListedFolders()
{
    folderWatch_->Watch({Dir1->Path(), Dir2->Path(), File1->Directory(), File2->Directory()});
}

void MainForm::RefreshLists()
{
    // A folder that has gone stays shown as it was; the next use reports it.
    Dir1->Refresh();
    File1->Refresh();
    Dir2->Refresh();
    File2->Refresh();
}

void MainForm::ConvertSelectedTexture()
{
    const int index = File2->SelectedIndex();
    if (index < 0 || converting_) {
        return;
    }
    const std::filesystem::path path = JoinPath(Dir2->Path(), File2->NameAt(index));

    QString failure;
    converting_ = true;
    eventClock_.invalidate();
    // Shown at the click, before a large texture takes its time to load: the
    // new selection, the greyed column and an empty bar. Painted directly, so
    // no input is handled here.
    LockTextureColumn();
    SetProgressValue(0);
    repaint();
    try {
        ImportFile::ImportTexture(path, *this);
    } catch (const std::exception& error) {
        failure = FailureText(error);
    }
    // Input that arrived after the last event point, while the level file was
    // built and written, meets the column still greyed and is refused, as
    // during encoding, instead of acting once the column is back.
    QCoreApplication::processEvents();
    converting_ = false;
    UnlockTextureColumn();

    if (!failure.isEmpty()) {
        ReportFailure(failure);
    }
    if (closeDeferred_) {
        closeDeferred_ = false;
        close();
    }
}

void MainForm::ReportFailure(const QString& text)
{
    if (!loading_) {
        presenter_(text);
    }
}

void MainForm::closeEvent(QCloseEvent* event)
{
    // A close during a conversion waits for it: the level file is written,
    // then the directory stored and the window closed.
    if (converting_) {
        closeDeferred_ = true;
        event->ignore();
        return;
    }
    SaveDirectories();
    event->accept();
}

void MainForm::SetProgressMaximum(float maximum)
{
    progressMaximum_ = std::isfinite(maximum) && maximum > 0 ? static_cast<double>(maximum) : 0.0;
    // The bar counts in int; a larger maximum is scaled down to fit. An
    // empty range would make the bar a busy animation, so a maximum of 0
    // keeps one step and shows it empty.
    const double steps = std::min(std::round(progressMaximum_), double{std::numeric_limits<int>::max()});
    PB1->setRange(0, std::max(1, static_cast<int>(steps)));
    ShowProgress();
}

void MainForm::SetProgressValue(std::uint64_t value)
{
    progressValue_ = value;
    ShowProgress();
}

void MainForm::ShowProgress()
{
    // The maximum arrives in single precision, which past 2^24 bytes cannot
    // hold most lengths: the last value may then lie within one step of the
    // float on either side of it. Such a value is the end, and the bar full.
    const float maximum = static_cast<float>(progressMaximum_);
    if (maximum > 0 && static_cast<double>(progressValue_) > static_cast<double>(std::nextafter(maximum, 0.0f))) {
        PB1->setValue(PB1->maximum());
        return;
    }
    const double share =
        progressMaximum_ > 0 ? std::min(static_cast<double>(progressValue_), progressMaximum_) / progressMaximum_ : 0.0;
    PB1->setValue(static_cast<int>(std::llround(share * PB1->maximum())));
}

void MainForm::ProcessEvents()
{
    // Pieces of a large texture arrive far faster than a screen refreshes;
    // handling events for each of them would only slow the conversion down.
    if (eventClock_.isValid() && eventClock_.elapsed() < kEventIntervalMs) {
        return;
    }
    eventClock_.start();
    QCoreApplication::processEvents();
}

void MainForm::ShowMessage(const std::string& text)
{
    presenter_(MessageText(text));
}

std::filesystem::path MainForm::OutputDirectory()
{
    return Dir2->Path();
}

void MainForm::SetStatusText(const std::string& text)
{
    Text1->setPlainText(MessageText(text));
}

void MainForm::LockTextureColumn()
{
    // While a conversion lets events through, nothing may change the texture
    // directory it writes to or start another one.
    QWidget* focus = focusWidget();
    const std::initializer_list<QWidget*> column = {Drive1, Dir2, File2};
    focusBeforeLock_ = std::find(column.begin(), column.end(), focus) != column.end() ? focus : nullptr;
    for (QWidget* control : column) {
        control->setEnabled(false);
    }
    focusDuringLock_ = focusWidget();
}

void MainForm::UnlockTextureColumn()
{
    for (QWidget* control : std::initializer_list<QWidget*>{Drive1, Dir2, File2}) {
        control->setEnabled(true);
    }
    // Give the focus back unless the user has moved it meanwhile, so that
    // the arrow keys keep walking through File2.
    if (focusBeforeLock_ != nullptr && focusWidget() == focusDuringLock_) {
        focusBeforeLock_->setFocus();
    }
}
