#pragma once

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "support/dds_builder.h"
#include "support/temp_dir.h"
#include "ui/directory_list.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/main_form.h"

inline QString Q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
// Failures show text, not the code units.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A DXT1 texture; with more than 25,000 pixel bytes, encoding it lets events through.
inline std::vector<std::uint8_t> Texture(std::size_t pixelBytes = 8)
{
    return BuildDds({.width = 256, .height = 256, .mipCount = 1, .fourCc = "DXT1", .pixelData = NumberedBytes(pixelBytes)});
}

// A main window started in a scratch tree: `program` holds the preference
// file, `userConfig` stands in for the user's configuration folder (not
// created), `work` is the working directory, `textures` a folder to browse to.
// Messages are recorded, never shown, unless `realBoxes` is set.
class FormTest : public ::testing::Test {
protected:
    FormTest() { QDir::setCurrent(Q(work)); }
    static std::filesystem::path Made(const std::filesystem::path& folder)
    {
        std::filesystem::create_directories(folder);
        return folder;
    }

    void Start(bool realBoxes = false)
    {
        form = std::make_unique<MainForm>(preferencePlaces);
        if (!realBoxes) {
            form->SetMessagePresenter([this](const QString& text) { messages << text; });
        }
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void StartOnTextures(bool realBoxes = false)
    {
        WriteBytes(preferenceFile, Bytes(textures.string() + "\r\n"));
        Start(realBoxes);
    }

    DriveList* Drive1() const { return form->findChild<DriveList*>("Drive1"); }
    DirectoryList* Dir1() const { return form->findChild<DirectoryList*>("Dir1"); }
    DirectoryList* Dir2() const { return form->findChild<DirectoryList*>("Dir2"); }
    FileList* File1() const { return form->findChild<FileList*>("File1"); }
    FileList* File2() const { return form->findChild<FileList*>("File2"); }
    QString Text1() const { return form->findChild<QPlainTextEdit*>("Text1")->toPlainText(); }

    static void ClickEntry(QListWidget* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

    TempDir temp;
    const std::filesystem::path program = Made(temp.Path() / "program");
    const std::filesystem::path work = Made(temp.Path() / "work");
    const std::filesystem::path textures = Made(temp.Path() / "textures");
    const std::filesystem::path userConfig = temp.Path() / "config" / "Torvane";
    const std::filesystem::path preferenceFile = program / "torvanepref.ini";
    PreferenceFile::Places preferencePlaces{program, userConfig};
    std::unique_ptr<MainForm> form;
    QStringList messages;
};
