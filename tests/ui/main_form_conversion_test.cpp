// Converting from File2, and what the window does while a conversion runs.
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cmath>

#include "form_fixture.h"

// Keys go through the window to the focus, which each conversion hands back to File2.
TEST_F(FormTest, KeysAndClicksConvertEachEntryChosenFailuresReachTheUserInAMessageBoxAndTheNextClickWorks)
{
    WriteBytes(textures / "a.dds", Texture());
    WriteBytes(textures / "b.dds", Bytes("not a texture"));
    WriteBytes(textures / "c.dds", Texture());
    std::filesystem::create_directory(textures / "c.lvl");
    StartOnTextures(true);
    File2()->setFocus();
    QStringList seen;
    QTimer answer;  // answers each box as a user would, so that nothing blocks
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen << QStringLiteral("%1: %2 (%3 button)").arg(box->windowTitle(), box->text()).arg(box->buttons().size());
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(10);
    QTest::keyClick(form->windowHandle(), Qt::Key_Down);
    seen << Text1();
    QTest::keyClicks(form->findChild<QPlainTextEdit*>("Text1"), " typed");  // replaced by the next status line
    ClickEntry(File2(), 1);
    QTest::keyClick(form->windowHandle(), Qt::Key_Down);
    std::filesystem::remove(textures / "c.lvl");
    ClickEntry(File2(), 2);  // the entry already selected
    seen << Text1();
#ifdef _WIN32
    const QString inTheWay = "Permission denied";
#else
    const QString inTheWay = "Is a directory";
#endif
    EXPECT_EQ(seen, QStringList({"a.lvl created.", "Torvane: Not a supported DDS File (1 button)",
                                 "Torvane: Cannot write " + Q(textures / "c.lvl") + ": " + inTheWay + " (1 button)",
                                 "c.lvl created."}));
    EXPECT_TRUE(form->isVisible());
}

// The texture has one event point: a click queued there is still waiting
// while the level file is being written.
TEST_F(FormTest, InputDuringAConversionIsRefusedEvenQueuedAndTheListsAndACloseWaitForIt)
{
    WriteBytes(textures / "big.dds", Texture(30'000));
    WriteBytes(textures / "other.dds", Texture());
    StartOnTextures();
    QTimer::singleShot(0, form.get(), [&] {
        QTest::keyClick(Dir2(), Qt::Key_Up);
        QTest::keyClick(Dir2(), Qt::Key_Return);
        WriteBytes(textures / "new.dds", Texture());
        QTest::qWait(300);
        EXPECT_EQ(File2()->count(), 2);
        EXPECT_FALSE(form->close());
        QMetaObject::invokeMethod(form.get(), [&] { ClickEntry(File2(), 1); }, Qt::QueuedConnection);  // still queued
    });
    ClickEntry(File2(), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(std::filesystem::exists(textures / "big.lvl") && !std::filesystem::exists(textures / "other.lvl"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadBytes(preferenceFile), Bytes(textures.string() + "\r\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return File2()->count() == 3; }, 5'000));
}

// Pieces of a large texture come far faster than a screen refreshes: the
// window's events are let through while it converts, but not at every piece.
TEST_F(FormTest, ALargeTextureLetsEventsThroughAtTheScreensPaceNotAtEachPiece)
{
    WriteBytes(textures / "large.dds", Texture(25'000'000));  // a thousand pieces
    StartOnTextures();
    int passes = 0;
    QTimer everyPass;  // fires each time events are let through
    QObject::connect(&everyPass, &QTimer::timeout, [&] { ++passes; });
    everyPass.start(0);
    QElapsedTimer clock;
    clock.start();
    ClickEntry(File2(), 0);
    const qint64 elapsedMs = clock.elapsed();
    everyPass.stop();
    EXPECT_TRUE(std::filesystem::exists(textures / "large.lvl"));
    EXPECT_GE(passes, 1);
    EXPECT_LE(passes, elapsedMs / 10 + 2) << "more than a hundred a second, in " << elapsedMs << " ms";
}

// The pace is kept within a conversion only: a texture clicked straight
// after another lets events through at its first piece, not only once its
// level file is written.
TEST_F(FormTest, ATextureClickedRightAfterAnotherLetsEventsThroughWhileItIsRead)
{
    WriteBytes(textures / "a.dds", Texture(60'000));
    WriteBytes(textures / "b.dds", Texture(60'000));
    StartOnTextures();
    ClickEntry(File2(), 0);
    bool passedWhileRead = false;
    QTimer everyPass;
    QObject::connect(&everyPass, &QTimer::timeout, [&] {
        passedWhileRead |= !File2()->isEnabled() && !std::filesystem::exists(textures / "b.lvl");
    });
    everyPass.start(0);
    ClickEntry(File2(), 1);
    everyPass.stop();
    EXPECT_TRUE(std::filesystem::exists(textures / "b.lvl"));
    EXPECT_TRUE(passedWhileRead);
}

// Past 2^24 most lengths have no exact single-precision value: whichever
// neighbour the maximum arrives as, only the last value fills the bar. An
// empty range would turn the bar into a busy animation.
TEST_F(FormTest, TheBarIsFullExactlyAtTheEndAndNeverBusy)
{
    Start();
    const auto* bar = form->findChild<QProgressBar*>("PB1");
    for (const std::uint64_t length : {std::uint64_t{16'777'217}, (std::uint64_t{1} << 31) + 1}) {
        for (const float maximum : {static_cast<float>(length), std::nextafter(static_cast<float>(length), 1e10f)}) {
            form->SetProgressMaximum(maximum);
            form->SetProgressValue(length / 3);  // finer than whole percents
            EXPECT_NEAR(bar->value() / double(bar->maximum()), 1 / 3.0, 1e-6) << length;
            form->SetProgressValue(length);
            EXPECT_EQ(bar->value(), bar->maximum()) << length;
        }
    }
    form->SetProgressMaximum(1);  // a one-byte level file
    form->SetProgressValue(1);
    EXPECT_EQ(bar->value(), bar->maximum());
    form->SetProgressMaximum(0);
    EXPECT_TRUE(bar->minimum() < bar->maximum() && bar->value() == 0);
}
