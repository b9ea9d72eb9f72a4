// Converting from File2, and what the window does while a conversion runs.
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "form_fixture.h"

namespace {

std::vector<std::uint8_t> SmallTexture()
{
    return BuildDds({.width = 4, .height = 4, .mipCount = 1, .fourCc = "DXT1", .pixelData = NumberedBytes(8)});
}

// Large enough that reading it lets the window process events.
std::vector<std::uint8_t> LargeTexture()
{
    return BuildDds({.width = 256, .height = 256, .mipCount = 1, .fourCc = "DXT1", .pixelData = NumberedBytes(60'000)});
}

// One piece of hex text: encoding lets events through once, and the level
// file is then built and written without another event point.
std::vector<std::uint8_t> OnePieceTexture()
{
    return BuildDds({.width = 256, .height = 256, .mipCount = 1, .fourCc = "DXT1", .pixelData = NumberedBytes(30'000)});
}

using ConversionTest = FormTest;

TEST_F(ConversionTest, AClickConvertsAndARefusalOrFailureChangesNothing)
{
    WriteBytes(textures / "bad.dds", Bytes("not a texture"));
    WriteBytes(textures / "gone.dds", SmallTexture());
    WriteBytes(textures / "grass.dds", SmallTexture());
    StartOnTextures();
    ASSERT_EQ(Entries(File2()), (QStringList{"bad.dds", "gone.dds", "grass.dds"}));

    ClickEntry(File2(), 2);
    EXPECT_TRUE(std::filesystem::exists(textures / "grass.lvl"));
    EXPECT_EQ(Text1()->toPlainText(), "grass.lvl created.");
    EXPECT_EQ(PB1()->maximum(), static_cast<int>(SmallTexture().size()));
    EXPECT_EQ(PB1()->value(), PB1()->maximum());
    EXPECT_TRUE(messages.isEmpty());

    // Clicking the selected entry again converts it again.
    std::filesystem::remove(textures / "grass.lvl");
    ClickEntry(File2(), 2);
    EXPECT_TRUE(std::filesystem::exists(textures / "grass.lvl"));

    ClickEntry(File2(), 0);
    EXPECT_EQ(messages, QStringList{"Not a supported DDS File"});
    EXPECT_EQ(Text1()->toPlainText(), "grass.lvl created.");
    EXPECT_FALSE(std::filesystem::exists(textures / "bad.lvl"));

    // Listed, then deleted before the click: reported with path and reason.
    std::filesystem::remove(textures / "gone.dds");
    ClickEntry(File2(), 1);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains(Q(textures / "gone.dds"))) << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains("No such file or directory")) << messages[1].toStdString();
    EXPECT_EQ(Text1()->toPlainText(), "grass.lvl created.");
    EXPECT_FALSE(std::filesystem::exists(textures / "gone.lvl"));

    // An output that cannot be written is reported too, and the window goes on.
    std::filesystem::remove(textures / "grass.lvl");
    std::filesystem::create_directory(textures / "grass.lvl");
    Text1()->setPlainText("earlier line");
    ClickEntry(File2(), 2);
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages[2], "Cannot write " + Q(textures / "grass.lvl") + ": Is a directory");
    EXPECT_EQ(Text1()->toPlainText(), "earlier line");
    std::filesystem::remove(textures / "grass.lvl");
    ClickEntry(File2(), 1);
    ClickEntry(File2(), 2);
    EXPECT_EQ(Text1()->toPlainText(), "grass.lvl created.");
    // bad.dds, grass.dds and grass.lvl: no temporary file left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(textures), {}), 3);
}

TEST_F(ConversionTest, ArrowKeysConvertEveryEntryTheyPass)
{
    for (const char* name : {"a.dds", "b.dds", "c.dds"}) {
        WriteBytes(textures / name, SmallTexture());
    }
    StartOnTextures();
    File2()->setFocus();
    for (int press = 0; press < 3; ++press) {
        QTest::keyClick(File2(), Qt::Key_Down);
    }
    for (const char* name : {"a.lvl", "b.lvl", "c.lvl"}) {
        EXPECT_TRUE(std::filesystem::exists(textures / name)) << name;
    }
    EXPECT_EQ(Text1()->toPlainText(), "c.lvl created.");

    std::filesystem::remove(textures / "b.lvl");
    QTest::keyClick(File2(), Qt::Key_Up);
    EXPECT_TRUE(std::filesystem::exists(textures / "b.lvl"));
}

TEST_F(ConversionTest, ProgressBarKeepsItsProportionAndNeverTurnsBusy)
{
    Start(false);
    form->SetProgressMaximum(0);
    EXPECT_LT(PB1()->minimum(), PB1()->maximum());  // equal bounds would animate
    EXPECT_EQ(PB1()->value(), PB1()->minimum());

    form->SetProgressMaximum(8e9f);  // beyond the bar's int range
    form->SetProgressValue(2'000'000'000);
    EXPECT_NEAR(static_cast<double>(PB1()->value()) / PB1()->maximum(), 0.25, 1e-6);
    form->SetProgressValue(8'000'000'000);
    EXPECT_EQ(PB1()->value(), PB1()->maximum());

    form->SetProgressMaximum(1000);
    form->SetProgressValue(999);
    EXPECT_EQ(PB1()->maximum(), 1000);
    EXPECT_EQ(PB1()->value(), 999);
}

// Past 2^24 most lengths have no exact single-precision value; whichever
// neighbour the maximum is given as, the last value fills the bar and an
// earlier one does not.
TEST_F(ConversionTest, TheBarIsExactlyFullAtTheEndWhateverTheLength)
{
    Start(false);
    for (const std::uint64_t length : {std::uint64_t{1}, std::uint64_t{16'777'216}, std::uint64_t{16'777'217},
                                       std::uint64_t{100'000'001}, (std::uint64_t{1} << 31) + 1}) {
        const auto nearest = static_cast<float>(length);
        const float below = static_cast<double>(nearest) > static_cast<double>(length) ? std::nextafter(nearest, 0.0f) : nearest;
        const float above = static_cast<double>(nearest) < static_cast<double>(length)
                                ? std::nextafter(nearest, std::numeric_limits<float>::infinity())
                                : nearest;
        for (const float maximum : {below, above}) {
            SCOPED_TRACE(testing::Message() << length << " with maximum " << maximum);
            form->SetProgressMaximum(maximum);
            form->SetProgressValue(length - std::min<std::uint64_t>(length, 25'000));
            EXPECT_LT(PB1()->value(), PB1()->maximum());
            form->SetProgressValue(length);
            EXPECT_EQ(PB1()->value(), PB1()->maximum());
        }
    }
}

TEST_F(ConversionTest, InputDuringAConversionIsRefusedAndACloseWaitsForIt)
{
    WriteBytes(textures / "big.dds", LargeTexture());
    WriteBytes(textures / "other.dds", SmallTexture());
    std::filesystem::create_directories(textures / "sub");
    StartOnTextures();
    File2()->setFocus();

    bool sawEvents = false;
    QTimer::singleShot(0, form.get(), [&] {
        sawEvents = true;
        EXPECT_FALSE(Drive1()->isEnabled());
        EXPECT_FALSE(Dir2()->isEnabled());
        EXPECT_FALSE(File2()->isEnabled());
        // Another texture, another directory: both refused.
        ClickEntry(File2(), 1);
        QTest::keyClick(File2(), Qt::Key_Down);
        Dir2()->setCurrentItem(Dir2()->findItems("sub", Qt::MatchExactly | Qt::MatchRecursive).value(0));
        QTest::keyClick(Dir2(), Qt::Key_Return);
        EXPECT_FALSE(form->close());
        EXPECT_FALSE(std::filesystem::exists(textures / "big.lvl"));
    });
    QTest::keyClick(File2(), Qt::Key_Down);

    EXPECT_TRUE(sawEvents);
    EXPECT_TRUE(std::filesystem::exists(textures / "big.lvl"));
    EXPECT_FALSE(std::filesystem::exists(textures / "other.lvl"));
    EXPECT_EQ(Dir2()->Path(), textures);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadBytes(preferenceFile), Bytes(textures.string() + "\r\n"));
}

TEST_F(ConversionTest, AClickQueuedWhileTheLevelFileIsWrittenDoesNotActAfterwards)
{
    WriteBytes(textures / "big.dds", OnePieceTexture());
    WriteBytes(textures / "other.dds", SmallTexture());
    StartOnTextures();

    // Posted from the event point, so it is still queued when the
    // conversion stops letting events through.
    QTimer::singleShot(0, form.get(), [&] {
        QWidget* viewport = File2()->viewport();
        const QPoint point = File2()->visualItemRect(File2()->item(1)).center();
        QCoreApplication::postEvent(viewport, new QMouseEvent(QEvent::MouseButtonPress, point, viewport->mapToGlobal(point),
                                                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(viewport, new QMouseEvent(QEvent::MouseButtonRelease, point,
                                                              viewport->mapToGlobal(point), Qt::LeftButton,
                                                              Qt::NoButton, Qt::NoModifier));
    });
    ClickEntry(File2(), 0);
    QCoreApplication::processEvents();

    EXPECT_TRUE(std::filesystem::exists(textures / "big.lvl"));
    EXPECT_FALSE(std::filesystem::exists(textures / "other.lvl"));
    EXPECT_EQ(File2()->SelectedIndex(), 0);
    EXPECT_TRUE(File2()->isEnabled());
}

TEST_F(ConversionTest, TheColumnComesBackWithTheFocusAfterAConversion)
{
    WriteBytes(textures / "big.dds", LargeTexture());
    StartOnTextures();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    File2()->setFocus();
    QTest::keyClick(File2(), Qt::Key_Down);

    EXPECT_TRUE(std::filesystem::exists(textures / "big.lvl"));
    EXPECT_TRUE(Drive1()->isEnabled());
    EXPECT_TRUE(Dir2()->isEnabled());
    EXPECT_TRUE(File2()->isEnabled());
    EXPECT_EQ(form->focusWidget(), File2());
}

}  // namespace
