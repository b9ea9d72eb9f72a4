// The About window as a real window manager (openbox, under Xvfb) sees it:
// what it offers the user, how the window comes back, and who keeps the
// activation. Run by under_openbox.sh; the window manager's view is read with
// xprop and driven with xdotool.
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

#include "about_form.h"
#include "main_form.h"
#include "temp_dir.h"

namespace {

QString RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5'000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString Property(const QWidget* window, const char* name)
{
    return RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()), QString::fromLatin1(name)});
}

// The window the window manager has made active, as a number.
WId ActiveWindow()
{
    const QString line = RunTool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")});
    return line.section(QLatin1Char('#'), 1).trimmed().section(QLatin1Char(','), 0, 0).toULongLong(nullptr, 16);
}

// The program's windows as the window manager stacks them, topmost last.
QList<WId> Stacking()
{
    const QString line = RunTool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QList<WId> windows;
    for (const QString& id : line.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        windows << id.trimmed().toULongLong(nullptr, 16);
    }
    return windows;
}

bool IsShownNormally(const QWidget* window)
{
    return Property(window, "WM_STATE").contains(QStringLiteral("Normal")) &&
           !Property(window, "_NET_WM_STATE").contains(QStringLiteral("HIDDEN"));
}

class WindowManagerTest : public ::testing::Test {
protected:
    WindowManagerTest()
    {
        form = std::make_unique<MainForm>(PreferenceFile::Places{temp.Path(), {}});
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->findChild<QAction*>(QStringLiteral("About"))->trigger();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<AboutForm*>(widget)) {
                about = found;
            }
        }
        EXPECT_NE(about, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([this] { return about != nullptr && ActiveWindow() == about->winId(); }, 5'000));
    }
    ~WindowManagerTest() override { delete about; }

    TempDir temp;
    std::unique_ptr<MainForm> form;
    AboutForm* about = nullptr;
};

TEST_F(WindowManagerTest, AboutOffersNeitherResizeNorMaximizeAndKeepsItsTitleAndClose)
{
    const QString actions = Property(about, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_TRUE(actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE"))) << actions.toStdString();
    EXPECT_TRUE(actions.contains(QStringLiteral("_NET_WM_ACTION_MOVE"))) << actions.toStdString();
    for (const char* refused : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"}) {
        EXPECT_FALSE(actions.contains(QString::fromLatin1(refused))) << refused;
    }
    // The main window, for comparison, can be resized and maximized.
    EXPECT_TRUE(Property(form.get(), "_NET_WM_ALLOWED_ACTIONS").contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE_HORZ")));

    // Decorated with a title bar: left, right, top, bottom.
    const QStringList extents = Property(about, "_NET_FRAME_EXTENTS").section(QLatin1Char('='), 1).split(QLatin1Char(','));
    ASSERT_EQ(extents.size(), 4);
    EXPECT_GT(extents[2].trimmed().toInt(), extents[3].trimmed().toInt());
    // Asked for no minimize or maximize button: flags, functions, decorations.
    const QStringList motif = Property(about, "_MOTIF_WM_HINTS").section(QLatin1Char('='), 1).split(QLatin1Char(','));
    ASSERT_GE(motif.size(), 3);
    EXPECT_EQ(motif[1].trimmed().toUInt(nullptr, 16) & 0x18, 0u);  // minimize, maximize functions
    EXPECT_EQ(motif[2].trimmed().toUInt(nullptr, 16) & 0x60, 0u);  // minimize, maximize buttons
}

// Also once the main window has closed, when nothing else of the program
// could take the activation and bring it back.
TEST_F(WindowManagerTest, AboutMinimizedByTheWindowManagerComesStraightBack)
{
    for (const bool mainWindowOpen : {true, false}) {
        SCOPED_TRACE(mainWindowOpen ? "main window open" : "main window closed");
        if (!mainWindowOpen) {
            ASSERT_TRUE(form->close());
        }
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::number(about->winId())});
        EXPECT_TRUE(QTest::qWaitFor([this] { return IsShownNormally(about) && ActiveWindow() == about->winId(); }, 5'000))
            << Property(about, "WM_STATE").toStdString();
    }
}

TEST_F(WindowManagerTest, ShowingAboutAgainBringsItBackInFront)
{
    about->hide();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Property(about, "WM_STATE").contains(QStringLiteral("Normal")); }, 5'000));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return ActiveWindow() == form->winId(); }, 5'000));

    form->findChild<QAction*>(QStringLiteral("About"))->trigger();
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return IsShownNormally(about) && ActiveWindow() == about->winId() && Stacking().value(Stacking().size() - 1) == about->winId(); },
        5'000));
}

// Whether the box would also stay in front where the platform does not hand
// the activation back to a modal box by itself is checked offscreen.
TEST_F(WindowManagerTest, AModalBoxOfTheProgramStaysActiveAndInFrontWhileAboutIsOpen)
{
    WId box = 0;
    bool boxActive = false;
    bool boxOnTop = false;
    QTimer::singleShot(0, form.get(), [&] {
        QWidget* modal = nullptr;
        if (QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()) != nullptr; }, 5'000)) {
            box = modal->winId();
            static_cast<void>(QTest::qWaitFor([&] { return ActiveWindow() == box; }, 5'000));
            QTest::qWait(500);  // long enough for About to have tried to take the activation
            boxActive = ActiveWindow() == box && QApplication::activeWindow() == modal;
            boxOnTop = Stacking().value(Stacking().size() - 1) == box;
            modal->close();
        }
    });
    form->ShowMessage("Not a supported DDS File");
    ASSERT_NE(box, WId{0}) << "no modal box came up";
    EXPECT_TRUE(boxActive);
    EXPECT_TRUE(boxOnTop);

    // Answered, the box hands the activation on, and About has it again.
    EXPECT_TRUE(QTest::qWaitFor([this] { return ActiveWindow() == about->winId(); }, 5'000));
}

}  // namespace

int main(int argc, char** argv)
{
    // A real X server with a window manager, never the offscreen platform.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
