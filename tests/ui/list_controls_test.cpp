// The directory list and the file list on their own.
#include <QFocusEvent>
#include <QSignalSpy>

#include "form_fixture.h"

namespace {

// The entries of a directory list, each indented by its depth.
QStringList Tree(const DirectoryList& list)
{
    QStringList lines;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
        lines << QString(depth, ' ') + item->text(0);
        for (int child = 0; child < item->childCount(); ++child) {
            walk(item->child(child), depth + 1);
        }
    };
    for (int top = 0; top < list.topLevelItemCount(); ++top) {
        walk(list.topLevelItem(top), 0);
    }
    return lines;
}

TEST(DirectoryListTest, ShowsThePathFromTheRootAndRefusesWhatCannotBeListed)
{
    TempDir temp;
    const std::filesystem::path base = temp.Path() / "mods";
    for (const char* sub : {"zeta", "Alpha", ".hidden"}) {
        std::filesystem::create_directories(base / sub);
    }
    WriteBytes(base / "file.dds", {1});
    DirectoryList list;
    QSignalSpy changes(&list, &DirectoryList::PathChanged);

    ASSERT_TRUE(list.SetPath(base / "." / ""));
    EXPECT_EQ(list.Path(), base);
    QStringList expected{"/"};
    int depth = 1;
    for (const auto& part : base.relative_path()) {
        expected << QString(depth++, ' ') + Q(part);
    }
    expected << QString(depth, ' ') + "Alpha" << QString(depth, ' ') + "zeta";
    EXPECT_EQ(Tree(list), expected);
    EXPECT_EQ(list.currentItem()->text(0), "mods");

    ASSERT_TRUE(list.SetPath(base));  // the same directory again is no change
    for (const std::filesystem::path& path : {base / "missing", base / "file.dds", std::filesystem::path()}) {
        SCOPED_TRACE(path);
        QString failure;
        EXPECT_FALSE(list.SetPath(path, &failure));
        EXPECT_TRUE(failure.startsWith("Cannot open directory " + Q(path))) << failure.toStdString();
        EXPECT_EQ(list.Path(), base);
        EXPECT_EQ(Tree(list), expected);
    }
    EXPECT_EQ(changes.count(), 1);
}

TEST(DirectoryListTest, DoubleClickOpensAnEntry)
{
    TempDir temp;
    std::filesystem::create_directories(temp.Path() / "child");
    DirectoryList list;
    list.resize(200, 400);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    ASSERT_TRUE(list.SetPath(temp.Path()));

    QTreeWidgetItem* child = list.findItems("child", Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(child, nullptr);
    const QPoint centre = list.visualItemRect(child).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(list.Path(), temp.Path());  // a single click only highlights
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(list.Path(), temp.Path() / "child");
}

TEST(FileListTest, ListsMatchingFilesAndReportsEverySelectionButNotTheFocus)
{
    TempDir temp;
    for (const char* name : {"a.dds", "A.DDS", "a.ddsx", "a.dds.bak", "b.txt", "c.dd", ".hidden.dds"}) {
        WriteBytes(temp.Path() / name, {1});
    }
    std::filesystem::create_directories(temp.Path() / "folder.dds");
    FileList list("*.dds*");
    ASSERT_TRUE(list.SetDirectory(temp.Path()));
    EXPECT_EQ(Entries(&list), (QStringList{"A.DDS", "a.dds", "a.dds.bak", "a.ddsx"}));
    QString failure;
    EXPECT_FALSE(list.SetDirectory(temp.Path() / "missing", &failure));
    EXPECT_TRUE(failure.contains(Q(temp.Path() / "missing"))) << failure.toStdString();
    EXPECT_EQ(list.count(), 4);

    // Focus arriving by Tab marks a row without choosing it; the first arrow
    // key then chooses that row.
    QSignalSpy clicks(&list, &FileList::Clicked);
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&list, &focusIn);
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(list.SelectedIndex(), 1);

    ASSERT_TRUE(list.SetDirectory(temp.Path()));  // a new listing selects nothing
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(list.SelectedIndex(), -1);
}

}  // namespace
