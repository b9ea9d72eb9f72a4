// The window's controls: how the lists follow one another and the file
// system, the drives offered, and the menus.
#include <QAbstractItemModel>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStorageInfo>

#include "form_fixture.h"
#include "ui/about_form.h"
#include "ui/folder_watch.h"

TEST_F(FormTest, Drive1OffersRealVolumesAndEachListMovesOnlyTheListsThatFollowIt)
{
    WriteBytes(Made(temp.Path() / "volume" / "stone") / "s.dds", {1});
    WriteBytes(Made(work / "levels") / "l.lvl", {1});
    StartOnTextures();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.fileSystemType() == "tmpfs" || volume.rootPath().contains(QRegularExpression("^/(proc|sys|dev)(/|$)"))) {
            EXPECT_EQ(Drive1()->findText(volume.rootPath()), -1) << "kernel or memory-backed: " << volume.rootPath().toStdString();
        }
    }
    EXPECT_TRUE(!Drive1()->Drive().isEmpty() && Q(work).startsWith(Drive1()->Drive())) << "the one holding the work";
    EXPECT_TRUE(DriveList::MachineDrives().contains(DriveList::DriveOf(QDir::rootPath()))) << "the system's own drive";
    const QPoint levels = Dir1()->visualItemRect(Dir1()->findItems("levels", Qt::MatchRecursive).value(0)).center();
    QTest::mouseClick(Dir1()->viewport(), Qt::LeftButton, {}, levels);
    QTest::mouseDClick(Dir1()->viewport(), Qt::LeftButton, {}, levels);
    // Scratch folders stand in for volumes.
    Drive1()->SetDrives({QDir::rootPath(), Q(temp.Path() / "volume"), Q(temp.Path() / "gone")}, QDir::rootPath());
    EXPECT_EQ(Drive1()->count(), 3) << "the current drive is offered once";
    QTest::keyClick(Drive1(), Qt::Key_Down);
    Dir2()->setCurrentItem(Dir2()->findItems("stone", Qt::MatchRecursive).value(0));
    QTest::keyClick(Dir2(), Qt::Key_Return);
    QTest::keyClick(Drive1(), Qt::Key_Down);  // a drive that cannot be shown
    EXPECT_EQ(QStringList({File1()->item(0)->text(), File2()->item(0)->text()}), QStringList({"l.lvl", "s.dds"}));
    // A folder that goes while its list fills cannot give its files.
    const std::filesystem::path shortLived = temp.Path() / "short-lived";
    for (DirectoryList* list : {Dir1(), Dir2()}) {
        Made(shortLived);
        const auto removal = QObject::connect(list->model(), &QAbstractItemModel::rowsInserted,
                                              [&] { std::filesystem::remove(shortLived); });
        list->SetPath(shortLived);
        QObject::disconnect(removal);
    }
    const QString gone = ": No such file or directory";
    EXPECT_EQ(messages, QStringList({"Cannot open directory " + Q(temp.Path() / "gone") + gone,
                                     "Cannot open directory " + Q(shortLived) + gone,
                                     "Cannot open directory " + Q(shortLived) + gone}));
}

TEST_F(FormTest, ListsFollowTheirFoldersOncePerChangeKeepingSelectionAndScrollAndConvertNothing)
{
    for (int index = 10; index < 50; ++index) {
        WriteBytes(textures / QStringLiteral("t%1.dds").arg(index).toStdString(), Texture());
    }
    StartOnTextures();
    ASSERT_TRUE(Dir1()->SetPath(textures));
    File2()->scrollToBottom();
    ClickEntry(File2(), 35);
    EXPECT_TRUE(QTest::qWaitFor([&] { return File1()->count() == 1; }, 5'000)) << "the level file just written";
    const int scrolled = File2()->verticalScrollBar()->value();
    std::filesystem::remove(textures / "t45.lvl");  // would come back if a refresh converted
    std::filesystem::remove(textures / "t12.dds");
    std::filesystem::create_directory(textures / "fresh");
    EXPECT_TRUE(QTest::qWaitFor([&] { return File2()->count() == 39 && File1()->count() == 0; }, 5'000));
    QTest::keyClick(Dir2(), Qt::Key_Left);  // the path cannot be folded away
    EXPECT_TRUE(Dir2()->visualItemRect(Dir2()->findItems("fresh", Qt::MatchRecursive).value(0)).isValid());
    EXPECT_TRUE(File2()->currentItem()->isSelected() && File2()->currentItem()->text() == "t45.dds");
    EXPECT_EQ(File2()->verticalScrollBar()->value(), scrolled);
    EXPECT_FALSE(std::filesystem::exists(textures / "t45.lvl"));
    int idleRefreshes = 0;
    QObject::connect(form->findChild<FolderWatch*>(), &FolderWatch::Changed, [&] { ++idleRefreshes; });
    QTest::qWait(400);
    EXPECT_EQ(idleRefreshes, 0) << "a quiet folder is not read again";

    // Dir1's folder is watched when it is not Dir2's; an arrow key moves
    // through Dir2, and only Return opens the entry it reached.
    ASSERT_TRUE(Dir1()->SetPath(textures / "fresh"));
    WriteBytes(textures / "fresh" / "new.lvl", {});
    EXPECT_TRUE(QTest::qWaitFor([&] { return File1()->count() == 1; }, 5'000));
    Dir2()->setCurrentItem(Dir2()->findItems("textures", Qt::MatchRecursive).value(0));
    QTest::keyClick(Dir2(), Qt::Key_Down);
    EXPECT_EQ(Dir2()->Path(), textures);
    QTest::keyClick(Dir2(), Qt::Key_Return);
    EXPECT_EQ(Dir2()->Path(), textures / "fresh");
}

TEST_F(FormTest, FileHasNoItemsHelpOnlyAboutWhichOpensAboutAndCaptionsAndFolderListsShowTheirFonts)
{
    Start();
    const QFontInfo folders(Dir2()->font()), captions(form->findChild<QWidget*>("Label2")->font());
    EXPECT_TRUE(folders.fixedPitch() && folders.pointSizeF() == 8.25 && captions.bold() && captions.pointSizeF() == 9.75);
    const QList<QAction*> bar = form->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    const QList<QAction*> help = bar[1]->menu()->actions();
    ASSERT_TRUE(help.size() == 1 && bar[0]->menu() == nullptr);
    EXPECT_EQ(QStringList({bar[0]->text(), bar[1]->text(), help[0]->text()}), QStringList({"File", "Help", "About"}));
    const QWidgetList windows = QApplication::topLevelWidgets();
    help[0]->trigger();
    QWidgetList opened = QApplication::topLevelWidgets();
    opened.removeIf([&](QWidget* window) { return windows.contains(window); });
    ASSERT_EQ(opened.size(), 1);
    const std::unique_ptr<QWidget> about(opened[0]);
    EXPECT_TRUE(qobject_cast<AboutForm*>(about.get()) && about->isVisible());
}

// Places and sizes as drawn, in pixels of the client area; nothing moves when
// the window is resized.
TEST_F(FormTest, EveryControlSitsAtItsPlaceAndStaysThereWhenTheWindowIsResized)
{
    StartOnTextures(true);
    const std::pair<const char*, QRect> places[] = {
        {"Label1", {8, 0, 137, 17}},    {"Dir1", {8, 24, 193, 214}},  {"File1", {8, 248, 193, 201}},
        {"Dir2", {536, 48, 193, 182}},  {"File2", {536, 248, 193, 201}}, {"Text1", {208, 248, 321, 201}},
        {"PB1", {8, 456, 721, 25}},     {"Label2", {536, 0, 137, 17}}, {"Drive1", {536, 24, 193, 21}},
    };
    EXPECT_EQ(form->centralWidget()->size(), QSize(738, 489));
    for (const QSize size : {form->size(), QSize(300, 200)}) {
        form->resize(size);
        for (const auto& [name, place] : places) {
            EXPECT_EQ(form->findChild<QWidget*>(name)->geometry(), place) << name;
        }
    }
}

// Tab moves the focus in the controls' order, out of the text box too; the
// labels and the bar never take it.
TEST_F(FormTest, TheTabKeyMovesTheFocusThroughTheControlsInTheirOrder)
{
    StartOnTextures();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Dir1()->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int step = 0; step < 6; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, QStringList({"Dir1", "File1", "Dir2", "File2", "Text1", "Drive1", "Dir1"}));
    EXPECT_EQ(Text1(), "");
}

