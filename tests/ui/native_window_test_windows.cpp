// The main and About windows on Windows' own platform, read through the window
// handles Windows gives them and driven with real mouse input. They need a
// desktop: scripts/windows-check.sh runs them in Wine's desktop on Xvfb.
// TORVANE_REFERENCE names a folder holding grass.dds and the level file the
// Linux build makes of it; TORVANE_SCREENSHOTS, when set, a folder for
// pictures of both windows.
#include <QAction>
#include <QFontInfo>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "form_fixture.h"
#include "ui/about_form.h"
#include "ui/program_icon.h"

#include <windows.h>  // last: its macros would rename parts of the headers above

namespace {

HWND Handle(QWidget* window)
{
    return reinterpret_cast<HWND>(window->winId());
}

QString Caption(HWND window)
{
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    return QString::fromWCharArray(text);
}

// Whether `upper` lies above `lower` in the desktop's stacking order.
bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = GetWindow(lower, GW_HWNDPREV); window != nullptr; window = GetWindow(window, GW_HWNDPREV)) {
        if (window == upper) {
            return true;
        }
    }
    return false;
}

int VisibleWindowsOfThisProgramCaptioned(const QString& caption)
{
    std::pair<QString, int> search{caption, 0};
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            auto& [wanted, count] = *reinterpret_cast<std::pair<QString, int>*>(found);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window) && Caption(window) == wanted) {
                ++count;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Sends mouse input of `flags` (none: a move) at the screen point `at`.
void SendMouse(DWORD flags, POINT at)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    // Absolute positions run from 0 to 65535 across the primary screen.
    input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    SendInput(1, &input, sizeof(INPUT));
}

// The last screen point at which the pointer moved over `window`, as Qt saw it.
class PointerSpy : public QObject {
public:
    explicit PointerSpy(QWidget* window) { window->windowHandle()->installEventFilter(this); }
    QPoint Last() const { return last_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove) {
            last_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        }
        return false;
    }

private:
    QPoint last_{-1, -1};
};

// A click of the left button at `point` of `widget`, where the user would
// make it, through the system's input queue: the pointer arrives first, seen
// by the window, then the button goes down and up. Each carries the point:
// under Wine, the pointer can still jump back to where the X server last had
// it after arriving, and a button event without a position lands there.
void ClickAt(QWidget* widget, const QPoint& point)
{
    const QPoint inWindow = widget->mapTo(widget->window(), point);
    POINT screen{inWindow.x(), inWindow.y()};
    ASSERT_TRUE(ClientToScreen(Handle(widget->window()), &screen));
    const PointerSpy spy(widget->window());
    const QPoint target(screen.x, screen.y);
    bool arrived = false;
    for (int attempt = 0; attempt < 10 && !arrived; ++attempt) {
        SendMouse(0, screen);
        arrived = QTest::qWaitFor([&] { return spy.Last() == target; }, 500);
    }
    ASSERT_TRUE(arrived) << "the pointer did not reach " << screen.x << ", " << screen.y;
    SendMouse(MOUSEEVENTF_LEFTDOWN, screen);
    SendMouse(MOUSEEVENTF_LEFTUP, screen);
}

// The whole window as the desktop shows it, frame and caption included.
void Screenshot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("TORVANE_SCREENSHOTS");
    if (folder.isEmpty()) {
        return;
    }
    QTest::qWait(300);  // let it paint
    RECT frame{};
    GetWindowRect(Handle(window), &frame);
    const QPixmap shot = window->screen()->grabWindow(0, frame.left, frame.top, frame.right - frame.left,
                                                      frame.bottom - frame.top);
    EXPECT_TRUE(shot.save(folder + QLatin1Char('/') + name)) << name.toStdString();
}

}  // namespace

TEST_F(FormTest, OnWindowsTheCaptionAndA738By489ClientBelowTheMenuBarHoldEachControlAtItsPlaceInCourierNew)
{
    Start();
    const HWND window = Handle(form.get());
    EXPECT_EQ(Caption(window), "Torvane by Quorrin");

    RECT client{};
    GetClientRect(window, &client);
    const int menuBar = form->menuBar()->geometry().bottom() + 1;
    EXPECT_EQ(form->menuBar()->geometry().top(), 0);
    EXPECT_EQ(QSize(client.right - client.left, client.bottom - client.top - menuBar), QSize(738, 489));
    POINT origin{0, menuBar};  // the controls' origin, on the screen
    ClientToScreen(window, &origin);
    const std::pair<const char*, QRect> places[] = {
        {"Label1", {8, 0, 137, 17}},    {"Dir1", {8, 24, 193, 214}},    {"File1", {8, 248, 193, 201}},
        {"Dir2", {536, 48, 193, 182}},  {"File2", {536, 248, 193, 201}}, {"Text1", {208, 248, 321, 201}},
        {"PB1", {8, 456, 721, 25}},     {"Label2", {536, 0, 137, 17}},  {"Drive1", {536, 24, 193, 21}},
    };
    for (const auto& [name, place] : places) {
        const QWidget* control = form->findChild<QWidget*>(name);
        EXPECT_EQ(QRect(control->mapToGlobal(QPoint(0, 0)), control->size()), place.translated(origin.x, origin.y))
            << name;
    }

    // The faces as they resolve, printed for the record: Qt's, and the one
    // Windows itself gives for the name.
    const std::tuple<const char*, double, bool> fonts[] = {
        {"Label1", 9.75, true}, {"Label2", 9.75, true}, {"Dir1", 8.25, false}, {"Dir2", 8.25, false}};
    for (const auto& [name, points, bold] : fonts) {
        const QFontInfo info(form->findChild<QWidget*>(name)->font());
        std::printf("font: %s resolves to %s %.2f pt, weight %d\n", name, qPrintable(info.family()), info.pointSizeF(),
                    info.weight());
        EXPECT_TRUE(info.fixedPitch() && info.pointSizeF() == points && info.bold() == bold) << name;
    }
    LOGFONTW request{};
    request.lfHeight = -11;  // 8.25 pt at 96 dots per inch
    wcscpy_s(request.lfFaceName, L"Courier New");
    const HFONT font = CreateFontIndirectW(&request);
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ before = SelectObject(screen, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, face);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    // The face's own name, which a substitute keeps.
    std::vector<char> outline(GetOutlineTextMetricsW(screen, 0, nullptr));
    const auto* names = reinterpret_cast<OUTLINETEXTMETRICW*>(outline.data());
    const bool named = !outline.empty() && GetOutlineTextMetricsW(screen, static_cast<UINT>(outline.size()),
                                                                   reinterpret_cast<OUTLINETEXTMETRICW*>(outline.data())) != 0;
    const std::wstring fullName =
        named ? std::wstring(reinterpret_cast<const wchar_t*>(outline.data() + reinterpret_cast<std::uintptr_t>(names->otmpFaceName)))
              : std::wstring();
    SelectObject(screen, before);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    std::printf("font: GDI gives \"%ls\" (the face %ls) for Courier New\n", face, fullName.c_str());
    EXPECT_EQ(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "the bit set means a variable pitch";
}

TEST_F(FormTest, OnWindowsTheDriveListOffersEveryMappedDriveLetterAndCOpensDriveCsCurrentDirectory)
{
    QStringList mapped;
    const DWORD drives = GetLogicalDrives();
    for (int drive = 0; drive < 26; ++drive) {
        if ((drives & (1u << drive)) != 0) {
            mapped << QString(QChar('A' + drive)) + QLatin1Char(':');
        }
    }
    WriteBytes(preferenceFile, Bytes("C:\r\n"));
    Start();
    QStringList offered;
    for (int index = 0; index < Drive1()->count(); ++index) {
        offered << Drive1()->itemText(index);
    }
    EXPECT_EQ(offered, mapped);
    EXPECT_EQ(Drive1()->Drive(), "C:");  // the working directory's drive
    EXPECT_EQ(Dir2()->Path(), work);     // which is drive C's current directory
    EXPECT_TRUE(form->close());

    // From another drive, "C:" is the folder the system keeps for drive C.
    const auto other = std::find_if(mapped.begin(), mapped.end(),
                                    [](const QString& drive) { return drive != "C:" && QDir(drive + "\\").exists(); });
    ASSERT_NE(other, mapped.end()) << "a second drive with a medium";
    ASSERT_TRUE(QDir::setCurrent(*other + "\\"));
    ASSERT_TRUE(SetEnvironmentVariableW(L"=C:", textures.wstring().c_str()));
    WriteBytes(preferenceFile, Bytes("C:\r\n"));
    Start();
    EXPECT_EQ(Dir2()->Path(), textures);
    EXPECT_EQ(Drive1()->Drive(), *other);
    EXPECT_TRUE(form->close());
    QDir::setCurrent(Q(work));
}

TEST_F(FormTest, OnWindowsAClickOnATextureWritesTheLevelFileTheLinuxBuildWrites)
{
    const std::filesystem::path reference = qEnvironmentVariable("TORVANE_REFERENCE").toStdWString();
    ASSERT_TRUE(std::filesystem::exists(reference / "grass.lvl")) << "TORVANE_REFERENCE: grass.dds and grass.lvl";
    std::filesystem::copy_file(reference / "grass.dds", textures / "grass.dds");
    StartOnTextures();
    QListWidget* list = File2();
    ASSERT_EQ(list->count(), 1);
    ClickAt(list->viewport(), list->visualItemRect(list->item(0)).center());
    EXPECT_TRUE(QTest::qWaitFor([this] { return Text1() == "grass.lvl created."; }, 10'000)) << Text1().toStdString();
    EXPECT_EQ(ReadBytes(textures / "grass.lvl"), ReadBytes(reference / "grass.lvl"));
    EXPECT_TRUE(messages.isEmpty());
    Screenshot(form.get(), QStringLiteral("main-window-windows.png"));
}

TEST_F(FormTest, OnWindowsAboutHasAFixedBorderNoMinimizeOrMaximizeBoxNoOwnerAndComesBackInFrontAlone)
{
    Start();
    QAction* about = form->findChild<QAction*>("About");
    about->trigger();
    AboutForm* window = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window = qobject_cast<AboutForm*>(QApplication::activeWindow())); }));
    const HWND handle = Handle(window), main = Handle(form.get());
    EXPECT_EQ(Caption(handle), "About Mellick");
    const LONG_PTR style = GetWindowLongPtrW(handle, GWL_STYLE);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(GetWindow(handle, GW_OWNER), nullptr);
    RECT client{};
    GetClientRect(handle, &client);
    EXPECT_EQ(QSize(client.right, client.bottom), QSize(442, 221));
    Screenshot(window, QStringLiteral("about-window-windows.png"));

    // Put behind the main window without taking the activation from it, then
    // chosen again: the same window, in front and active.
    SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(QTest::qWaitFor([&] { return IsAbove(main, handle); }));
    about->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return IsAbove(handle, main) && GetForegroundWindow() == handle; }));
    EXPECT_EQ(VisibleWindowsOfThisProgramCaptioned("About Mellick"), 1);
    window->close();
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "windows");
    QApplication application(argc, argv);
    QApplication::setWindowIcon(ProgramIcon());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
