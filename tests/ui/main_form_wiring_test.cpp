// How the drive, directory and file lists follow one another.
#include "form_fixture.h"

namespace {

using WiringTest = FormTest;

TEST_F(WiringTest, ADriveChoiceMovesOnlyTheTextureColumn)
{
    // Scratch folders stand in for mounted volumes.
    const std::filesystem::path volume = temp.Path() / "volume";
    const std::filesystem::path unmounted = temp.Path() / "unmounted";
    std::filesystem::create_directories(volume);
    WriteBytes(volume / "v.dds", {1});
    WriteBytes(work / "w.lvl", {1});
    StartOnTextures();
    Drive1()->SetDrives({QDir::rootPath(), Q(volume), Q(unmounted)}, QDir::rootPath());

    Drive1()->setFocus();
    QTest::keyClick(Drive1(), Qt::Key_Down);
    EXPECT_EQ(Dir2()->Path(), volume);
    EXPECT_EQ(Entries(File2()), QStringList{"v.dds"});
    EXPECT_EQ(Dir1()->Path(), work);
    EXPECT_EQ(Entries(File1()), QStringList{"w.lvl"});
    EXPECT_TRUE(messages.isEmpty());

    // A drive that cannot be shown is reported; the lists stay where they were.
    QTest::keyClick(Drive1(), Qt::Key_Down);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(Q(unmounted))) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("No such file or directory")) << messages[0].toStdString();
    EXPECT_EQ(Dir2()->Path(), volume);
    EXPECT_EQ(Entries(File2()), QStringList{"v.dds"});
}

TEST_F(WiringTest, OpeningADirectoryInDir2RefreshesFile2)
{
    std::filesystem::create_directories(textures / "stone");
    std::filesystem::create_directories(textures / "vanished");
    WriteBytes(textures / "stone" / "s.dds", {1});
    WriteBytes(textures / "t.dds", {1});
    StartOnTextures();
    ASSERT_EQ(Entries(File2()), QStringList{"t.dds"});

    const QList<QTreeWidgetItem*> stone = Dir2()->findItems("stone", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(stone.size(), 1);
    Dir2()->setCurrentItem(stone[0]);
    QTest::keyClick(Dir2(), Qt::Key_Return);
    EXPECT_EQ(Dir2()->Path(), textures / "stone");
    EXPECT_EQ(Entries(File2()), QStringList{"s.dds"});
    EXPECT_EQ(Dir1()->Path(), work);

    // Back up, then open a directory that vanished after it was listed.
    ASSERT_TRUE(Dir2()->SetPath(textures));
    EXPECT_EQ(Entries(File2()), QStringList{"t.dds"});
    std::filesystem::remove(textures / "vanished");
    const QList<QTreeWidgetItem*> vanished = Dir2()->findItems("vanished", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(vanished.size(), 1);
    Dir2()->setCurrentItem(vanished[0]);
    QTest::keyClick(Dir2(), Qt::Key_Return);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(Q(textures / "vanished"))) << messages[0].toStdString();
    EXPECT_EQ(Dir2()->Path(), textures);
    EXPECT_EQ(Entries(File2()), QStringList{"t.dds"});
}

}  // namespace
