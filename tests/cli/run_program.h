#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "temp_dir.h"

// What a finished run of a program printed and how it ended.
struct ProgramRun {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

// Appends a space and `text` quoted for the shell.
inline void AppendQuoted(std::string& command, const std::string& text)
{
    command += " '";
    for (char character : text) {
        if (character == '\'') {
            command += "'\\''";
        } else {
            command += character;
        }
    }
    command += '\'';
}

inline std::string ReadText(const std::filesystem::path& path)
{
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

// Runs `program` with `arguments` from `workingDirectory`, with no terminal
// on any stream.
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                             const std::filesystem::path& workingDirectory)
{
    TempDir capture;
    std::string command = "cd";
    AppendQuoted(command, workingDirectory.string());
    command += " &&";
    AppendQuoted(command, program);
    for (const std::string& argument : arguments) {
        AppendQuoted(command, argument);
    }
    command += " < /dev/null >";
    AppendQuoted(command, capture / "out");
    command += " 2>";
    AppendQuoted(command, capture / "err");
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(capture / "out"), ReadText(capture / "err")};
}
