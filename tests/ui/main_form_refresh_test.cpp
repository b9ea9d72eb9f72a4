// The lists follow changes in their folders, made by the program or by others.
#include <QScrollBar>
#include <QTimer>

#include "form_fixture.h"

namespace {

std::vector<std::uint8_t> Texture(std::size_t pixelBytes)
{
    return BuildDds({.width = 256, .height = 256, .mipCount = 1, .fourCc = "DXT1", .pixelData = NumberedBytes(pixelBytes)});
}

bool Lists(const QListWidget* list, const QString& name)
{
    return Entries(list).contains(name);
}

class RefreshTest : public FormTest {
protected:
    // Both columns on the texture folder, so a level file written there shows in File1.
    void StartOnTexturesInBothColumns()
    {
        StartOnTextures();
        ASSERT_TRUE(Dir1()->SetPath(textures));
    }
};

TEST_F(RefreshTest, ListsFollowTheFolderKeepingSelectionAndScrollAndConvertNothing)
{
    for (int index = 0; index < 40; ++index) {
        WriteBytes(textures / QStringLiteral("t%1.dds").arg(10 + index).toStdString(), Texture(8));
    }
    StartOnTexturesInBothColumns();
    File2()->scrollToBottom();
    ClickEntry(File2(), 35);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lists(File1(), "t45.lvl"); }, 5'000)) << "a level file just written";
    const int scrolled = File2()->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    std::filesystem::remove(textures / "t45.lvl");  // would come back if a refresh converted
    std::filesystem::remove(textures / "t12.dds");
    WriteBytes(textures / "new.dds", Texture(8));
    std::filesystem::create_directory(textures / "fresh");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !Lists(File2(), "t12.dds") && Lists(File2(), "new.dds") && !Lists(File1(), "t45.lvl") &&
                   !Dir2()->findItems("fresh", Qt::MatchExactly | Qt::MatchRecursive).isEmpty();
        },
        5'000));

    ASSERT_GE(File2()->SelectedIndex(), 0);
    EXPECT_EQ(File2()->item(File2()->SelectedIndex())->text(), "t45.dds");
    EXPECT_EQ(File2()->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(Dir2()->Path(), textures);
    QTest::qWait(200);
    EXPECT_FALSE(std::filesystem::exists(textures / "t45.lvl"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(RefreshTest, ARefreshDuringAConversionWaitsForItsEnd)
{
    // Large enough that reading it lets the window process events.
    WriteBytes(textures / "big.dds", Texture(60'000));
    StartOnTexturesInBothColumns();

    bool listedDuringConversion = true;
    QTimer::singleShot(0, form.get(), [&] {
        WriteBytes(textures / "new.dds", Texture(8));
        QTest::qWait(500);
        listedDuringConversion = Lists(File2(), "new.dds");
    });
    ClickEntry(File2(), 0);

    EXPECT_FALSE(listedDuringConversion);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Lists(File2(), "new.dds") && Lists(File1(), "big.lvl"); }, 5'000));
    EXPECT_EQ(File2()->item(File2()->SelectedIndex())->text(), "big.dds");
}

}  // namespace
