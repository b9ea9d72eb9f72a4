// Start-up and close: the remembered texture directory.
#include "form_fixture.h"
#include "preference_places.h"

namespace {

const std::vector<std::uint8_t> kDefaultFile = {0x43, 0x3A, 0x0D, 0x0A};

using StartUpTest = FormTest;

TEST_F(StartUpTest, FirstStartWritesTheDefaultAndShowsTheWorkingDirectory)
{
    WriteBytes(work / "a.dds", {1});
    WriteBytes(work / "b.lvl", {1});
    Start();

    EXPECT_EQ(ReadBytes(preferenceFile), kDefaultFile);
    EXPECT_EQ(Dir2()->Path(), work);
    EXPECT_EQ(Entries(File2()), QStringList{"a.dds"});
    EXPECT_EQ(Dir1()->Path(), work);
    EXPECT_EQ(Entries(File1()), QStringList{"b.lvl"});
    EXPECT_EQ(Drive1()->Drive(), DriveList::DriveOf(Q(work)));
    EXPECT_TRUE(Text1()->toPlainText().isEmpty());
    EXPECT_EQ(PB1()->value(), 0);
    EXPECT_EQ(PB1()->maximum(), 100);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(StartUpTest, OnlyTheFirstFieldOfTheFileCountsAndWhatIsRefusedIsReset)
{
    const std::filesystem::path withComma = temp.Path() / "mods,old";
    std::filesystem::create_directories(withComma);
    const std::string texturesText = textures.string();
    struct Case {
        std::string contents;
        std::filesystem::path shown;
        bool reset;
    };
    const std::vector<Case> cases = {
        {texturesText + "\r\n", textures, false},
        {std::string("  ").append(texturesText).append(",old\r\n"), textures, false},
        {texturesText + "\r\nsecond line\r\nthird", textures, false},
        {std::string("\"").append(withComma.string()).append("\"\r\n"), withComma, false},
        {"C:\r\n", work, false},
        {withComma.string() + "\r\n", work, true},  // read up to the comma: no such directory
        {(temp.Path() / "deleted").string() + "\r\n", work, true},
        {(textures / "a.dds").string() + "\r\n", work, true},  // a file, not a directory
        {"", work, true},
    };
    WriteBytes(textures / "a.dds", {1});
    for (const Case& test : cases) {
        SCOPED_TRACE(test.contents);
        WriteBytes(preferenceFile, Bytes(test.contents));
        Start(false);
        EXPECT_EQ(Dir2()->Path(), test.shown);
        EXPECT_EQ(File2()->Directory(), test.shown);
        EXPECT_EQ(ReadBytes(preferenceFile), test.reset ? kDefaultFile : Bytes(test.contents));
        EXPECT_TRUE(messages.isEmpty());
        form.reset();
    }
}

TEST_F(StartUpTest, AFailedResetComesUpQuietlyWithoutLooping)
{
    // Neither the program's folder nor the user's can be written: no reset,
    // the working directory.
    std::filesystem::remove(program);
    WriteBytes(temp.Path() / "config", {1});
    Start(false);
    EXPECT_EQ(Dir2()->Path(), work);
    EXPECT_FALSE(std::filesystem::exists(preferenceFile));
    form.reset();

    // A directory in the file's place can be neither read nor replaced.
    std::filesystem::create_directories(preferenceFile);
    Start(false);
    EXPECT_EQ(Dir2()->Path(), work);
    EXPECT_TRUE(std::filesystem::is_directory(preferenceFile));
    form.reset();
    std::filesystem::remove(preferenceFile);

    // "C:" is refused as well: the working directory has gone.
    std::filesystem::remove(work);
    Start(false);
    EXPECT_EQ(Dir2()->Path(), std::filesystem::path(QDir::rootPath().toStdString()));
    EXPECT_EQ(File2()->Directory(), std::filesystem::path(QDir::rootPath().toStdString()));
    EXPECT_EQ(ReadBytes(preferenceFile), kDefaultFile);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(StartUpTest, CloseReplacesTheFileWithDir2sPath)
{
    WriteBytes(preferenceFile, Bytes(textures.string() + ",old\r\nsecond line\r\n"));
    Start();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadBytes(preferenceFile), Bytes(textures.string() + "\r\n"));

    Start();
    ASSERT_TRUE(Dir2()->SetPath(work));
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadBytes(preferenceFile), Bytes(work.string() + "\r\n"));
    EXPECT_FALSE(std::filesystem::exists(userConfig));  // a portable copy keeps to its own folder

    // A file that cannot be written does not keep the window open.
    Start();
    std::filesystem::remove_all(program);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(StartUpTest, ACopyInAFolderItCannotWriteRemembersItsDirectoryInTheUsersFolder)
{
    WriteBytes(temp.Path() / "usr", {1});
    preferencePlaces.executableDirectory = temp.Path() / "usr" / "bin";
    Start();
    EXPECT_EQ(Dir2()->Path(), work);
    ASSERT_TRUE(Dir2()->SetPath(textures));
    EXPECT_TRUE(form->close());

    Start();
    EXPECT_EQ(Dir2()->Path(), textures);
    EXPECT_EQ(ReadBytes(userConfig / "torvanepref.ini"), Bytes(textures.string() + "\r\n"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST(PreferencePlacesTest, ACopyInstalledWithItsDesktopEntryNeverWritesBesideItsExecutable)
{
    TempDir temp;
    const std::filesystem::path bin = temp.Path() / "usr" / "bin";
    const std::filesystem::path user = temp.Path() / "home" / "Torvane";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(PreferencePlacesFor(bin, user).executableDirectory, bin);

    std::filesystem::create_directories(temp.Path() / "usr" / "share" / "applications");
    WriteBytes(temp.Path() / "usr" / "share" / "applications" / "org.torvane.Torvane.desktop", {'\n'});
    const PreferenceFile::Places installed = PreferencePlacesFor(bin, user);
    EXPECT_TRUE(installed.executableDirectory.empty());
    EXPECT_EQ(installed.userDirectory, user);
}

// Names are bytes on Linux, and need not be UTF-8: a folder and a texture
// named in Latin-1 are listed, converted and remembered byte for byte.
TEST_F(StartUpTest, AFolderNotNamedInUtf8ConvertsItsTexturesAndIsRememberedAcrossARestart)
{
    const std::filesystem::path folder = textures / "\xE9t\xE9";
    std::filesystem::create_directories(folder);
    WriteBytes(folder / "\xE9t\xE9.dds", BuildDds({.width = 4, .height = 4, .mipCount = 1, .fourCc = "DXT1",
                                                    .pixelData = NumberedBytes(8)}));
    StartOnTextures();

    ASSERT_EQ(Dir2()->currentItem()->childCount(), 1);
    Dir2()->setCurrentItem(Dir2()->currentItem()->child(0));
    QTest::keyClick(Dir2(), Qt::Key_Return);
    ASSERT_EQ(Dir2()->Path(), folder);
    ASSERT_EQ(File2()->count(), 1);
    ClickEntry(File2(), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "\xE9t\xE9.lvl"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadBytes(preferenceFile), Bytes(folder.string() + "\r\n"));
    Start(false);
    EXPECT_EQ(Dir2()->Path(), folder);
    EXPECT_EQ(File2()->Directory(), folder);
}

}  // namespace
