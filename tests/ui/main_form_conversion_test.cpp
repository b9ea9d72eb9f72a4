// Converting from File2, and what the window does while a conversion runs.
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <limits>

#include "form_fixture.h"

namespace {

using ConversionTest = FormTest;

TEST_F(ConversionTest, FailuresReachTheUserInAMessageBoxAndTheNextClickConverts)
{
    WriteBytes(textures / "bad.dds", Bytes("not a texture"));
    WriteBytes(textures / "grass.dds", Texture());
    std::filesystem::create_directory(textures / "grass.lvl");
    StartOnTextures(true);
    QStringList boxes;
    QTimer answer;  // answers each box as a user would, so that nothing blocks
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            boxes << box->windowTitle() + ": " + box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(10);

    ClickEntry(File2(), 0);
    ClickEntry(File2(), 1);
    EXPECT_EQ(boxes, (QStringList{"Torvane: Not a supported DDS File",
                                  "Torvane: Cannot write " + Q(textures / "grass.lvl") + ": Is a directory"}));
    EXPECT_TRUE(Text1()->toPlainText().isEmpty());

    std::filesystem::remove(textures / "grass.lvl");
    ClickEntry(File2(), 1);  // the entry already selected
    QApplication::processEvents();
    EXPECT_TRUE(std::filesystem::is_regular_file(textures / "grass.lvl"));
    EXPECT_EQ(Text1()->toPlainText(), "grass.lvl created.");
    EXPECT_EQ(PB1()->value(), PB1()->maximum());
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(ConversionTest, ArrowKeysConvertEveryEntryTheyPass)
{
    for (const char* name : {"a.dds", "b.dds", "c.dds"}) {
        WriteBytes(textures / name, Texture(30'000));
    }
    StartOnTextures();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    File2()->setFocus();
    // Through the window, to wherever the focus is: back in File2 after each conversion.
    for (const auto key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
        QTest::keyClick(form->windowHandle(), key);
    }
    for (const char* name : {"a.lvl", "b.lvl", "c.lvl"}) {
        EXPECT_TRUE(std::filesystem::exists(textures / name)) << name;
    }
    std::filesystem::remove(textures / "b.lvl");
    QTest::keyClick(form->windowHandle(), Qt::Key_Up);
    EXPECT_TRUE(std::filesystem::exists(textures / "b.lvl"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ConversionTest, InputDuringAConversionIsRefusedAndTheListsAndACloseWaitForIt)
{
    WriteBytes(textures / "big.dds", Texture(60'000));
    WriteBytes(textures / "other.dds", Texture());
    std::filesystem::create_directories(textures / "sub");
    StartOnTextures();

    bool sawEvents = false;
    QTimer::singleShot(0, form.get(), [&] {
        sawEvents = true;
        EXPECT_FALSE(Drive1()->isEnabled());
        ClickEntry(File2(), 1);
        QTest::keyClick(File2(), Qt::Key_Down);
        Open(Dir2(), "sub");
        WriteBytes(textures / "new.dds", Texture());
        QTest::qWait(300);
        EXPECT_EQ(Entries(File2()), (QStringList{"big.dds", "other.dds"}));
        EXPECT_FALSE(form->close());
        EXPECT_FALSE(std::filesystem::exists(textures / "big.lvl"));
    });
    ClickEntry(File2(), 0);

    EXPECT_TRUE(sawEvents);
    EXPECT_TRUE(std::filesystem::exists(textures / "big.lvl"));
    EXPECT_FALSE(std::filesystem::exists(textures / "other.lvl"));
    EXPECT_EQ(Dir2()->Path(), textures);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadBytes(preferenceFile), Bytes(textures.string() + "\r\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Entries(File2()).contains("new.dds"); }, 5'000));
}

TEST_F(ConversionTest, AClickQueuedWhileTheLevelFileIsWrittenDoesNotActAfterwards)
{
    WriteBytes(textures / "big.dds", Texture(30'000));  // one event point, then the writing
    WriteBytes(textures / "other.dds", Texture());
    StartOnTextures();
    QTimer::singleShot(0, form.get(), [&] {
        QWidget* viewport = File2()->viewport();
        const QPoint point = File2()->visualItemRect(File2()->item(1)).center();
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QCoreApplication::postEvent(viewport, new QMouseEvent(type, point, viewport->mapToGlobal(point), Qt::LeftButton,
                                                                  Qt::LeftButton, Qt::NoModifier));
        }
    });
    ClickEntry(File2(), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(std::filesystem::exists(textures / "big.lvl"));
    EXPECT_FALSE(std::filesystem::exists(textures / "other.lvl"));
    EXPECT_TRUE(File2()->isEnabled());
}

// Past 2^24 most lengths have no exact single-precision value: whichever
// neighbour the maximum arrives as, the last value fills the bar, an earlier
// one does not. An empty range would turn the bar into a busy animation.
TEST_F(ConversionTest, TheBarIsFullExactlyAtTheEndAndNeverBusy)
{
    Start(false);
    for (const std::uint64_t length : {std::uint64_t{16'777'217}, (std::uint64_t{1} << 31) + 1}) {
        const auto below = static_cast<float>(length);
        for (const float maximum : {below, std::nextafter(below, std::numeric_limits<float>::infinity())}) {
            SCOPED_TRACE(testing::Message() << length << " of " << maximum);
            form->SetProgressMaximum(maximum);
            form->SetProgressValue(length / 4);
            EXPECT_NEAR(PB1()->value() / double(PB1()->maximum()), 0.25, 1e-6);
            form->SetProgressValue(length - 1'000);
            EXPECT_LT(PB1()->value(), PB1()->maximum());
            form->SetProgressValue(length);
            EXPECT_EQ(PB1()->value(), PB1()->maximum());
        }
    }
    form->SetProgressMaximum(0);
    EXPECT_LT(PB1()->minimum(), PB1()->maximum());
    EXPECT_EQ(PB1()->value(), PB1()->minimum());
}

}  // namespace
