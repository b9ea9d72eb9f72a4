// The About window under a real window manager (openbox on Xvfb, started by
// under_openbox.sh), read with xprop and driven with xdotool.
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "ui/about_form.h"
#include "ui/main_form.h"

namespace {

// What xprop prints for property `name` of the window `id`, or of the root window.
QString Property(const char* name, WId id = 0)
{
    QProcess xprop;
    xprop.start("xprop", id == 0 ? QStringList{"-root", name} : QStringList{"-id", QString::number(id), name});
    return xprop.waitForFinished() ? QString::fromUtf8(xprop.readAllStandardOutput()) : QString();
}

// Active, topmost (the last in the stacking list) and not minimized.
bool IsInFront(const QWidget* window)
{
    const QString last = QString(" 0x%1\n").arg(window->winId(), 0, 16);
    return Property("_NET_ACTIVE_WINDOW").endsWith(last) && Property("_NET_CLIENT_LIST_STACKING").endsWith(last) &&
           !Property("_NET_WM_STATE", window->winId()).contains("HIDDEN");
}

// The main window shown, and About opened from its menu and in front; null if it never came.
QPointer<AboutForm> AboutInFront(MainForm& form)
{
    form.show();
    form.findChild<QAction*>("About")->trigger();
    QPointer<AboutForm> about;
    const bool inFront =
        QTest::qWaitFor([&] { return (about = qobject_cast<AboutForm*>(qApp->activeWindow())) && IsInFront(about); });
    return inFront ? about : nullptr;
}

TEST(WindowManagerTest, AboutHasATitleBarAndCloseOnlyAndComesStraightBackWhenMinimized)
{
    TempDir temp;
    MainForm form{PreferenceFile::Places{temp.Path(), {}}};
    const QPointer<AboutForm> about = AboutInFront(form);
    ASSERT_TRUE(about);

    const QString actions = Property("_NET_WM_ALLOWED_ACTIONS", about->winId());
    EXPECT_TRUE(actions.contains("CLOSE") && !actions.contains("RESIZE") && !actions.contains("MAXIMIZE")) << actions.toStdString();
    // The frame's left, right, top (with the title bar) and bottom.
    const QStringList frame = Property("_NET_FRAME_EXTENTS", about->winId()).section('=', 1).split(',');
    EXPECT_GT(frame.value(2).toInt(), frame.value(3).toInt());
    // Motif hints (flags, functions, decorations): no minimize or maximize button.
    const QStringList motif = Property("_MOTIF_WM_HINTS", about->winId()).section('=', 1).split(',');
    EXPECT_EQ(motif.value(2).trimmed().toUInt(nullptr, 16) & 0x60, 0u) << motif.join(',').toStdString();

    // openbox minimizes it anyway. With the main window closed, no other window
    // of the program can take the activation and hand it back.
    ASSERT_TRUE(form.close());
    QProcess::execute("xdotool", {"windowminimize", QString::number(about->winId())});
    EXPECT_TRUE(QTest::qWaitFor([&] { return IsInFront(about); }));
    delete about;
}

// A click on the main window while About is open gives the main window the
// activation for a moment: About takes it straight back and comes in front.
TEST(WindowManagerTest, AboutTakesTheActivationBackFromTheMainWindow)
{
    TempDir temp;
    MainForm form{PreferenceFile::Places{temp.Path(), {}}};
    const QPointer<AboutForm> about = AboutInFront(form);
    ASSERT_TRUE(about);

    bool mainWindowHadIt = false;
    const auto watch = QObject::connect(qApp, &QGuiApplication::focusWindowChanged,
                                        [&](const QWindow* focus) { mainWindowHadIt |= focus == form.windowHandle(); });
    QProcess::execute("xdotool", {"mousemove", "--window", QString::number(form.winId()), "300", "300", "click", "1"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return mainWindowHadIt && IsInFront(about); }));
    QObject::disconnect(watch);  // before what it writes to goes
    delete about;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");  // a real X server, never the offscreen platform
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
