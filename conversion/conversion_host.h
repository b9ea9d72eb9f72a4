#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

// Where the bytes of a level file go, in order, until Commit() makes them the
// file; one never committed leaves nothing behind. Failures are the system's
// reasons, as error codes; after one, the rest does nothing.
class LevelFileOutput {
public:
    virtual ~LevelFileOutput() = default;
    virtual void Write(const void* bytes, std::size_t count, std::error_code& error) = 0;
    virtual void Commit(std::error_code& error) = 0;
};

// Everything a conversion needs from the front end that started it: the main
// window, the command-line tool or a test. The conversion reports through
// nothing else. Texts are UTF-8.
class ConversionHost {
public:
    virtual ~ConversionHost() = default;

    // Set once per conversion, before any value: the source length in bytes.
    virtual void SetProgressMaximum(float maximum) = 0;
    // Bytes encoded so far, between 0 and the maximum.
    virtual void SetProgressValue(std::uint64_t value) = 0;
    // Let the front end handle queued input and repaint.
    virtual void ProcessEvents() = 0;
    // A modal notice with an OK button, titled with the program's name.
    virtual void ShowMessage(const std::string& text) = 0;
    // The directory the level file is written to.
    virtual std::filesystem::path OutputDirectory() = 0;
    // Replaces the whole status line.
    virtual void SetStatusText(const std::string& text) = 0;
    // Something the user may want to know that changes nothing about the
    // conversion: a temporary file left behind by an earlier write that was
    // cut off, and removed. A front end without a place for it drops it.
    virtual void ShowNotice(const std::string& /*text*/) {}
    // Opens the level file at `path` for writing: by default a file that
    // replaces an earlier one only once every byte is on disk. A host that
    // wants the bytes themselves (a test, a fuzz target) takes them here.
    virtual std::unique_ptr<LevelFileOutput> OpenLevelFile(const std::filesystem::path& path, std::error_code& error);
};
