// The About window: how it looks, that there is only ever one, and how it
// keeps the activation among the program's windows.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtEndian>

#include "about_form.h"
#include "form_fixture.h"

namespace {

class AboutTest : public FormTest {
protected:
    ~AboutTest() override
    {
        for (AboutForm* about : OpenAboutWindows()) {
            delete about;
        }
    }

    void ChooseAbout() const
    {
        form->findChild<QAction*>(QStringLiteral("About"))->trigger();
        QApplication::processEvents();
    }

    static QList<AboutForm*> OpenAboutWindows()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QList<AboutForm*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* about = qobject_cast<AboutForm*>(widget)) {
                windows << about;
            }
        }
        return windows;
    }
};

TEST_F(AboutTest, ShowsTitleNoticeAndBannerInAFixedWindowWithOnlyACloseButton)
{
    AboutForm about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));

    EXPECT_EQ(about.windowTitle(), "About Mellick");
    EXPECT_EQ(about.size(), QSize(442, 221));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(about.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(about.windowIcon().isNull());

    const auto* title = about.findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Torvane");
    EXPECT_EQ(title->geometry(), QRect(128, 8, 177, 41));
    EXPECT_EQ(title->font().family(), "Courier New");
    EXPECT_EQ(title->font().pointSizeF(), 24.0);
    EXPECT_EQ(title->font().weight(), QFont::Bold);

    const auto* notice = about.findChild<QLabel*>(QStringLiteral("Label2"));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->geometry(), QRect(8, 40, 433, 105));
    EXPECT_TRUE(notice->wordWrap());
    EXPECT_EQ(notice->font().pointSizeF(), 8.25);
    EXPECT_EQ(notice->font().weight(), QFont::Normal);
    EXPECT_TRUE(notice->text().startsWith("This is the first, and also the last version of Torvane. All focus"));
    EXPECT_TRUE(notice->text().contains("making all the file replacments itself. Please do report"));
    EXPECT_TRUE(notice->text().endsWith(
        "will be used again. Be sure to visit https://torvane.example.org for any updates."));

    // At its natural size, ending at the bottom edge, two columns past the right one.
    const auto* banner = about.findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->geometry(), QRect(0, 152, 444, 69));
    EXPECT_EQ(banner->pixmap().size(), QSize(444, 69));
}

TEST_F(AboutTest, BannerIsAnUncompressedEightBitBitmapOf444By69)
{
    QFile file(QStringLiteral(":/banner.bmp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 31'714);
    const auto field32 = [&bytes](int offset) { return qFromLittleEndian<quint32>(bytes.constData() + offset); };
    const auto field16 = [&bytes](int offset) { return qFromLittleEndian<quint16>(bytes.constData() + offset); };
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(field32(2), 31'714u);        // file size
    EXPECT_EQ(field32(10), 14u + 40 + 1'024);  // pixel rows follow the palette
    EXPECT_EQ(field32(14), 40u);           // information header
    EXPECT_EQ(field32(18), 444u);
    EXPECT_EQ(field32(22), 69u);
    EXPECT_EQ(field16(26), 1u);            // planes
    EXPECT_EQ(field16(28), 8u);            // bits per pixel
    EXPECT_EQ(field32(30), 0u);            // no compression
    EXPECT_EQ(bytes.size() - 1'078, 444 * 69);
}

TEST_F(AboutTest, ChoosingAboutAgainBringsBackTheSameWindowAndClosingDestroysIt)
{
    Start();
    ChooseAbout();
    ChooseAbout();
    ASSERT_EQ(OpenAboutWindows().size(), 1);
    AboutForm* first = OpenAboutWindows().first();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), nullptr);

    first->close();
    EXPECT_TRUE(OpenAboutWindows().isEmpty());

    ChooseAbout();
    ASSERT_EQ(OpenAboutWindows().size(), 1);
    EXPECT_TRUE(OpenAboutWindows().first()->isVisible());
}

TEST_F(AboutTest, AboutComesBackToItsNormalStateFromAnyOtherAndWhenShownAgain)
{
    Start();
    ChooseAbout();
    QPointer<AboutForm> about = OpenAboutWindows().value(0);
    ASSERT_NE(about, nullptr);
    for (const auto& change : {&QWidget::showMinimized, &QWidget::showMaximized, &QWidget::showFullScreen}) {
        (about->*change)();
        EXPECT_TRUE(QTest::qWaitFor([&] { return about->windowState() == Qt::WindowNoState; }, 1'000));
        EXPECT_TRUE(about->isVisible());
        EXPECT_EQ(about->size(), QSize(442, 221));
    }

    about->hide();
    ChooseAbout();
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(about));
}

TEST_F(AboutTest, ActivatingTheMainWindowHandsTheActivationBackToAbout)
{
    Start();
    ChooseAbout();
    AboutForm* about = OpenAboutWindows().value(0);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(about));

    form->activateWindow();
    QTest::qWait(50);
    EXPECT_TRUE(QTest::qWaitForWindowActive(about));
    EXPECT_EQ(QApplication::activeWindow(), about);
}

TEST_F(AboutTest, AModalBoxOfTheProgramKeepsTheActivationUntilAnswered)
{
    Start();
    ChooseAbout();
    ASSERT_TRUE(QTest::qWaitForWindowActive(OpenAboutWindows().value(0)));

    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Torvane"), QStringLiteral("Not a supported DDS File"),
                    QMessageBox::Ok, form.get());
    bool boxKeptIt = false;
    QTimer::singleShot(0, &box, [&] {
        boxKeptIt = QTest::qWaitForWindowActive(&box);
        QTest::qWait(200);
        boxKeptIt = boxKeptIt && QApplication::activeWindow() == &box;
        box.accept();
    });
    box.exec();
    EXPECT_TRUE(boxKeptIt);
}

TEST_F(AboutTest, ProgramOutlivesTheMainWindowUntilAboutCloses)
{
    StartOnTextures();
    ChooseAbout();
    QPointer<AboutForm> about = OpenAboutWindows().value(0);
    ASSERT_NE(about, nullptr);

    // The program ends only from its event loop, so the closes run inside it.
    bool runningAfterMainClosed = false;
    QTimer::singleShot(0, form.get(), [&] {
        form->close();
        QTimer::singleShot(50, about, [&] {
            runningAfterMainClosed = true;
            about->close();
        });
    });
    QTimer::singleShot(5'000, qApp, [] { QApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0) << "the program did not end when its last window closed";
    EXPECT_TRUE(runningAfterMainClosed);
    EXPECT_TRUE(std::filesystem::exists(preferenceFile));
}

}  // namespace
