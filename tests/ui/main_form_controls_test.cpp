// The window's controls: how the lists follow one another and the file
// system, the drives offered, the menus and the keyboard.
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

#include "about_form.h"
#include "form_fixture.h"

namespace {

using ControlsTest = FormTest;

TEST_F(ControlsTest, EachListMovesOnlyTheListsThatFollowIt)
{
    const std::filesystem::path volume = temp.Path() / "volume";
    std::filesystem::create_directories(volume / "stone");
    std::filesystem::create_directories(work / "levels");
    WriteBytes(volume / "stone" / "s.dds", {1});
    WriteBytes(work / "levels" / "l.lvl", {1});
    StartOnTextures();

    QTreeWidgetItem* levels = Dir1()->findItems("levels", Qt::MatchExactly | Qt::MatchRecursive).value(0);
    QTest::mouseClick(Dir1()->viewport(), Qt::LeftButton, {}, Dir1()->visualItemRect(levels).center());
    EXPECT_EQ(Dir1()->Path(), work) << "a single click only highlights";
    QTest::mouseDClick(Dir1()->viewport(), Qt::LeftButton, {}, Dir1()->visualItemRect(levels).center());
    EXPECT_EQ(Entries(File1()), QStringList{"l.lvl"});
    EXPECT_EQ(Dir2()->Path(), textures);

    // Scratch folders stand in for volumes.
    Drive1()->SetDrives({QDir::rootPath(), Q(volume), Q(temp.Path() / "gone")}, QDir::rootPath());
    QTest::keyClick(Drive1(), Qt::Key_Down);
    Open(Dir2(), "stone");
    EXPECT_EQ(Entries(File2()), QStringList{"s.dds"});
    EXPECT_EQ(Dir1()->Path(), work / "levels");
    EXPECT_EQ(Entries(File1()), QStringList{"l.lvl"});
    EXPECT_TRUE(messages.isEmpty());

    QTest::keyClick(Drive1(), Qt::Key_Down);  // a drive that cannot be shown
    EXPECT_EQ(messages, QStringList{"Cannot open directory " + Q(temp.Path() / "gone") + ": No such file or directory"});
    EXPECT_EQ(Dir2()->Path(), volume / "stone");
}

TEST(DriveListTest, OffersTheRootAndRealVolumesReadAgainWhenOpened)
{
    DriveList drives;
    drives.SetDrives({QDir::rootPath(), "/gone"}, "/gone");
    static_cast<QComboBox&>(drives).showPopup();
    drives.hidePopup();
    QStringList offered;
    for (int index = 0; index < drives.count(); ++index) {
        offered << drives.itemText(index);
    }
    EXPECT_EQ(offered.value(0), QDir::rootPath());
    EXPECT_EQ(offered.removeDuplicates(), 0);
    for (const QString& drive : offered) {
        EXPECT_TRUE(drive == "/gone" || QFileInfo(drive).isDir()) << drive.toStdString();
        EXPECT_FALSE(drive.startsWith("/proc") || drive.startsWith("/sys") || drive.startsWith("/dev")) << drive.toStdString();
    }
    EXPECT_EQ(drives.Drive(), "/gone");  // kept while chosen
    EXPECT_EQ(DriveList().Drive(), QDir::rootPath()) << "the one holding the working directory";
}

TEST_F(ControlsTest, ListsFollowTheirFoldersKeepingSelectionAndScrollAndConvertNothing)
{
    for (int index = 10; index < 50; ++index) {
        WriteBytes(textures / ("t" + std::to_string(index) + ".dds"), Texture());
    }
    StartOnTextures();
    ASSERT_TRUE(Dir1()->SetPath(textures));
    File2()->scrollToBottom();
    ClickEntry(File2(), 35);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Entries(File1()).contains("t45.lvl"); }, 5'000));
    const int scrolled = File2()->verticalScrollBar()->value();

    std::filesystem::remove(textures / "t45.lvl");  // would come back if a refresh converted
    std::filesystem::remove(textures / "t12.dds");
    std::filesystem::create_directory(textures / "fresh");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Entries(File2()).contains("t12.dds") && File1()->count() == 0; }, 5'000));
    EXPECT_EQ(Dir2()->findItems("fresh", Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
    EXPECT_EQ(File2()->currentItem()->text(), "t45.dds");
    EXPECT_TRUE(File2()->currentItem()->isSelected());
    EXPECT_EQ(File2()->verticalScrollBar()->value(), scrolled);
    EXPECT_FALSE(std::filesystem::exists(textures / "t45.lvl"));
}

TEST_F(ControlsTest, FileHasNoItemsAndHelpHoldsOnlyAboutWhichOpensTheAboutWindow)
{
    Start();
    const QList<QAction*> bar = form->menuBar()->actions();
    const QWidgetList windows = QApplication::topLevelWidgets();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), "File");
    EXPECT_EQ(bar[0]->menu(), nullptr);
    bar[0]->trigger();
    EXPECT_EQ(QApplication::topLevelWidgets(), windows);
    EXPECT_EQ(bar[1]->text(), "Help");
    ASSERT_EQ(bar[1]->menu()->actions().size(), 1);
    EXPECT_EQ(bar[1]->menu()->actions()[0]->text(), "About");
    bar[1]->menu()->actions()[0]->trigger();
    QWidgetList opened = QApplication::topLevelWidgets();
    opened.removeIf([&](QWidget* window) { return windows.contains(window); });
    ASSERT_EQ(opened.size(), 1);
    const std::unique_ptr<QWidget> about(opened[0]);
    EXPECT_TRUE(qobject_cast<AboutForm*>(about.get()) && about->isVisible());
}

TEST_F(ControlsTest, TabWalksTheListsThenTheStatusThenTheDrives)
{
    Start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Dir1()->setFocus();
    QStringList order;
    for (int press = 0; press < 6; ++press) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (QStringList{"Dir1", "File1", "Dir2", "File2", "Text1", "Drive1"}));
}

}  // namespace
