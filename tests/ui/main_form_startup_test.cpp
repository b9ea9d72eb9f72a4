// Start-up and close: the remembered texture directory.
#include "form_fixture.h"
#include "ui/preference_places.h"

TEST_F(FormTest, TheFileChoosesDir2WhatIsRefusedIsResetToCAndTheCloseStoresDir2)
{
    const std::string stored = textures.string();
    // No file at first; each close then writes one.
    const std::vector<std::tuple<std::optional<std::string>, std::filesystem::path, bool>> cases = {
        {std::nullopt, work, true},     {stored + "\r\n", textures, false}, {stored + ",old\r\n", textures, false},
        {"C:\r\n", work, false},        {"c:", work, false},                {stored + "\r\nsecond\r\n", textures, false},
        {stored + "/gone", work, true}, {"", work, true}};
    for (const auto& [contents, shown, reset] : cases) {
        SCOPED_TRACE(contents.value_or("no file"));
        if (contents) {
            WriteBytes(preferenceFile, Bytes(*contents));
        }
        Start();
        EXPECT_EQ(File2()->Directory(), shown);
        EXPECT_EQ(ReadBytes(preferenceFile), reset ? Bytes("C:\r\n") : Bytes(*contents));
        EXPECT_TRUE(form->close());
        EXPECT_EQ(ReadBytes(preferenceFile), Bytes(shown.string() + "\r\n"));
    }
}

// Windows does not let a process's working directory be removed, so "C:"
// cannot be made to fail there.
#ifndef _WIN32
TEST_F(FormTest, AFailedResetComesUpQuietlyWithoutLooping)
{
    std::filesystem::remove(work);  // "C:" is refused too: the root
    Start();
    EXPECT_EQ(Q(Dir2()->Path()), QDir::rootPath());
    EXPECT_EQ(ReadBytes(preferenceFile), Bytes("C:\r\n"));
}
#endif

// Names are bytes on Linux and need not be UTF-8. A copy installed with its
// desktop entry keeps its file in the user's folder, never beside itself.
TEST_F(FormTest, AnInstalledCopyConvertsInAndRemembersAFolderNotNamedInUtf8)
{
    const std::filesystem::path bin = Made(temp.Path() / "usr" / "bin"), folder = textures / "\xE9t\xE9";
    EXPECT_EQ(PreferencePlacesFor(bin, userConfig).executableDirectory, bin);  // portable until installed
    WriteBytes(Made(temp.Path() / "usr" / "share" / "applications") / "org.torvane.Torvane.desktop", {'\n'});
    preferencePlaces = PreferencePlacesFor(bin, userConfig);
    WriteBytes(Made(folder) / "\xE9t\xE9.dds", Texture());
    Start();
    ASSERT_TRUE(Dir2()->SetPath(folder));
    ClickEntry(File2(), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "\xE9t\xE9.lvl"));
    EXPECT_TRUE(form->close());
    Start();
    EXPECT_EQ(Dir2()->Path(), folder);
    EXPECT_FALSE(std::filesystem::exists(bin / "torvanepref.ini"));
}
