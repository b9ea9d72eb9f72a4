#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

// What a look into one file found, as plain facts that can be shown
// as aligned text or as JSON.
struct FileReport {
    struct Fact {
        std::string key;    // the name in JSON
        std::string label;  // the name in text
        std::variant<std::uint64_t, std::string> value;
    };
    struct Column {
        std::string key;
        std::string label;
    };

    std::filesystem::path path;
    std::string kind;  // "DDS texture", "level file", or empty when neither
    std::vector<Fact> facts;
    std::vector<Column> recordColumns;
    std::vector<std::vector<std::uint64_t>> records;
    std::vector<std::string> warnings;
    std::vector<std::string> errors;

    bool Sound() const { return warnings.empty() && errors.empty(); }
};

// Reads the file at `path` and reports on it: a DDS texture by what a
// conversion would make of it, a level file by whether its records are well
// formed. Nothing is written.
FileReport ExamineFile(const std::filesystem::path& path);
