// The About window: what it shows, that there is only ever one, and how it
// keeps the activation among the program's windows.
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "ui/about_form.h"
#include "ui/main_form.h"

namespace {

class AboutTest : public ::testing::Test {
protected:
    ~AboutTest() override { delete about; }

    // Help, then About: the About window comes up active.
    void ChooseAbout()
    {
        form.show();
        form.findChild<QAction*>("About")->trigger();
        EXPECT_TRUE(QTest::qWaitFor([this] { return (about = qobject_cast<AboutForm*>(qApp->activeWindow())); }));
    }

    TempDir temp;
    MainForm form{PreferenceFile::Places{temp.Path(), {}}};
    QPointer<AboutForm> about;
};

TEST_F(AboutTest, ShowsCaptionTitleWholeNoticeInItsFontsAndBannerCutByTwoColumns)
{
    ChooseAbout();
    EXPECT_EQ(about->windowTitle(), "About Mellick");
    const auto* title = about->findChild<QLabel*>("Label1");
    const auto* notice = about->findChild<QLabel*>("Label2");
    const auto* banner = about->findChild<QLabel*>("Image1");
    EXPECT_EQ(title->text(), "Torvane");
    EXPECT_EQ(notice->text(), "This is the first, and also the last version of Torvane. All focus will be put toward "
                              "another program that will skip this step altogether, making all the file replacments "
                              "itself. Please do report any bugs you find with this Torvane, as the basic structure of "
                              "this program will be used again. Be sure to visit https://torvane.example.org for any updates.");

    // Courier New, or the monospaced face the system has in its place, at the exact sizes.
    const QFontInfo titleFont(title->font()), noticeFont(notice->font());
    EXPECT_TRUE(titleFont.fixedPitch() && titleFont.bold() && titleFont.pointSizeF() == 24.0);
    EXPECT_TRUE(noticeFont.fixedPitch() && !noticeFont.bold() && noticeFont.pointSizeF() == 8.25);

    // Both read from the top left (a label centres vertically unless told);
    // the notice wraps: no line wider than its box, and all its lines inside it.
    EXPECT_EQ(title->alignment() | notice->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_TRUE(notice->minimumSizeHint().width() <= notice->width() && notice->heightForWidth(notice->width()) <= notice->height());

    // The window is 442 x 221: its bottom edge is the banner's, two columns narrower.
    // The banner has the natural size of its picture, an uncompressed 8-bit bitmap
    // (headers, palette, rows).
    EXPECT_EQ(banner->geometry(), QRect(0, about->height() - 69, about->width() + 2, 69));
    EXPECT_EQ(QFile(":/banner.bmp").size(), 14 + 40 + 256 * 4 + banner->pixmap().width() * banner->pixmap().height());
}

TEST_F(AboutTest, OneWindowThatOnlyKnowsItsNormalStateOutlivesTheMainWindowAndGoesWhenClosed)
{
    const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
    ChooseAbout();
    ChooseAbout();
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore + 1);
    EXPECT_EQ(about->parentWidget(), nullptr);  // kept above the main window by the system otherwise
    about->setWindowState(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    EXPECT_TRUE(QTest::qWaitFor([this] { return about->windowState() == Qt::WindowNoState; }));

    form.close();
    EXPECT_TRUE(about->isVisible());
    about->close();
    EXPECT_TRUE(QTest::qWaitFor([this] { return about == nullptr; }));
}

// A real window system also keeps the activation with the box, whatever About
// asks; offscreen only About's own rule does.
TEST_F(AboutTest, TakesTheActivationBackFromTheMainWindowButNotFromAModalBox)
{
    ChooseAbout();
    form.activateWindow();
    QTest::qWait(50);
    EXPECT_TRUE(QTest::qWaitForWindowActive(about));

    bool boxKeptIt = false;
    // Long enough for About to have tried to take the activation.
    QTimer::singleShot(200, &form, [&boxKeptIt] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        boxKeptIt = QApplication::activeWindow() == box;
        box->close();
    });
    form.ShowMessage("Not a supported DDS File");
    EXPECT_TRUE(boxKeptIt);
}

}  // namespace
