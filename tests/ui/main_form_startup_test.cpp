// Start-up and close: the remembered texture directory.
#include <optional>

#include "form_fixture.h"
#include "preference_places.h"

namespace {

using StartUpTest = FormTest;

TEST_F(StartUpTest, TheFileChoosesDir2WhatIsRefusedIsResetToCAndTheCloseStoresDir2)
{
    const std::string stored = textures.string();
    const std::vector<std::uint8_t> reset = {0x43, 0x3A, 0x0D, 0x0A};
    struct Case {
        std::optional<std::string> contents;  // none: no file
        std::filesystem::path shown;
        bool reset;
    };
    for (const Case& test : std::vector<Case>{
             {std::nullopt, work, true}, {stored + "\r\n", textures, false}, {stored + ",old\r\n", textures, false},
             {stored + "\r\nsecond\r\nthird", textures, false}, {"C:\r\n", work, false}, {"c:", work, false},
             {(temp.Path() / "deleted").string() + "\r\n", work, true}, {"", work, true}}) {
        SCOPED_TRACE(test.contents.value_or("no file"));
        std::filesystem::remove(preferenceFile);
        if (test.contents) {
            WriteBytes(preferenceFile, Bytes(*test.contents));
        }
        Start(false);
        EXPECT_EQ(Dir2()->Path(), test.shown);
        EXPECT_EQ(File2()->Directory(), test.shown);
        EXPECT_EQ(ReadBytes(preferenceFile), test.reset ? reset : Bytes(*test.contents));
        EXPECT_TRUE(form->close());
        EXPECT_EQ(ReadBytes(preferenceFile), Bytes(test.shown.string() + "\r\n"));
    }
    EXPECT_FALSE(std::filesystem::exists(userConfig));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(StartUpTest, AFailedResetComesUpQuietlyWithoutLooping)
{
    // Nowhere to write the reset: the working directory.
    std::filesystem::remove(program);
    WriteBytes(temp.Path() / "config", {1});
    Start(false);
    EXPECT_EQ(Dir2()->Path(), work);

    // The reset written but refused too, the working directory gone: the root.
    std::filesystem::create_directories(program);
    std::filesystem::remove(work);
    Start(false);
    EXPECT_EQ(Q(Dir2()->Path()), QDir::rootPath());
    EXPECT_EQ(ReadBytes(preferenceFile), Bytes("C:\r\n"));
    EXPECT_TRUE(messages.isEmpty());
}

// Names are bytes on Linux and need not be UTF-8. A copy installed with its
// desktop entry keeps its file in the user's folder, not beside itself.
TEST_F(StartUpTest, AnInstalledCopyConvertsInAndRemembersAFolderNotNamedInUtf8)
{
    const std::filesystem::path bin = temp.Path() / "usr" / "bin";
    const std::filesystem::path folder = textures / "\xE9t\xE9";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(PreferencePlacesFor(bin, userConfig).executableDirectory, bin);  // portable so far
    std::filesystem::create_directories(temp.Path() / "usr" / "share" / "applications");
    WriteBytes(temp.Path() / "usr" / "share" / "applications" / "org.torvane.Torvane.desktop", {'\n'});
    preferencePlaces = PreferencePlacesFor(bin, userConfig);
    std::filesystem::create_directories(folder);
    WriteBytes(folder / "\xE9t\xE9.dds", Texture());
    Start();

    ASSERT_TRUE(Dir2()->SetPath(textures));
    Dir2()->setCurrentItem(Dir2()->currentItem()->child(0));
    QTest::keyClick(Dir2(), Qt::Key_Return);
    ASSERT_EQ(File2()->count(), 1);
    ClickEntry(File2(), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "\xE9t\xE9.lvl"));
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(std::filesystem::exists(bin / "torvanepref.ini"));
    Start(false);
    EXPECT_EQ(Dir2()->Path(), folder);
    EXPECT_EQ(ReadBytes(userConfig / "torvanepref.ini"), Bytes(folder.string() + "\r\n"));
    EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
