#pragma once

#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <csignal>
#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

struct ChildProgramOptions {
    std::filesystem::path workingDirectory{};  // empty: the test's own
#ifndef _WIN32
    std::function<void()> setup{};  // runs in the child just before the program (limits, signals)
    int stdoutFd = -1;              // stdout goes here instead of being collected
#endif
};

// Runs a built program as a child process, for tests that check it from the
// outside: its output, its exit status and what it leaves on disk.
class ChildProgram {
public:
    struct Result {
        int status;  // the exit status (on POSIX 128 + the signal that ended it)
        std::string out;
        std::string err;
    };

    using Options = ChildProgramOptions;

    // Starts `arguments` (the program first, UTF-8) with an empty stdin;
    // stdout and stderr are collected.
    explicit ChildProgram(const std::vector<std::string>& arguments, const Options& options = {});
    ~ChildProgram();

    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Waits for the program to end. A Windows program's "\r\n" line ends come
    // back as "\n".
    Result Wait();
#ifndef _WIN32
    // Sends the running program a signal, as Ctrl+C in its terminal would.
    void Signal(int number) const { kill(pid_, number); }
#endif

private:
#ifdef _WIN32
    static std::wstring Wide(const std::string& utf8)
    {
        std::wstring wide(utf8.size(), L'\0');
        wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                                 wide.data(), static_cast<int>(wide.size()))));
        return wide;
    }

    // Quoted so that the C runtime's parser gives back exactly `argument`.
    static std::wstring Quoted(const std::wstring& argument)
    {
        if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
            return argument;
        }
        std::wstring quoted = L"\"";
        std::size_t backslashes = 0;
        for (const wchar_t character : argument) {
            if (character == L'\\') {
                ++backslashes;
                continue;
            }
            quoted.append(character == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
            quoted += character;
            backslashes = 0;
        }
        quoted.append(2 * backslashes, L'\\');
        return quoted + L'"';
    }

    static HANDLE InheritableTemporaryFile()
    {
        wchar_t directory[MAX_PATH + 1];
        wchar_t name[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, directory);
        GetTempFileNameW(directory, L"out", 0, name);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    }

    static std::string ReadAll(HANDLE file)
    {
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        std::string text;
        char buffer[4096];
        for (DWORD count = 0; ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0;) {
            for (DWORD index = 0; index < count; ++index) {
                if (buffer[index] != '\r') {
                    text += buffer[index];
                }
            }
        }
        return text;
    }

    HANDLE out_ = InheritableTemporaryFile();
    HANDLE err_ = InheritableTemporaryFile();
    PROCESS_INFORMATION process_{};
#else
    static std::string ReadAll(std::FILE* file)
    {
        std::rewind(file);
        std::string text;
        char buffer[4096];
        for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            text.append(buffer, count);
        }
        return text;
    }

    std::FILE* out_ = std::tmpfile();
    std::FILE* err_ = std::tmpfile();
    pid_t pid_ = 0;
#endif
};

#ifdef _WIN32

inline ChildProgram::ChildProgram(const std::vector<std::string>& arguments, const Options& options)
{
    std::wstring commandLine;
    for (const std::string& argument : arguments) {
        commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(Wide(argument));
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                    0, nullptr);
    startup.hStdOutput = out_;
    startup.hStdError = err_;
    const std::wstring program = Wide(arguments.at(0));
    const wchar_t* directory = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, directory, &startup,
                        &process_)) {
        process_ = {};
    }
    CloseHandle(startup.hStdInput);
}

inline ChildProgram::~ChildProgram()
{
    if (process_.hProcess != nullptr) {  // a test that failed half-way must not leave the child behind
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, INFINITE);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    CloseHandle(out_);
    CloseHandle(err_);
}

inline ChildProgram::Result ChildProgram::Wait()
{
    DWORD status = 127;  // could not be started
    if (process_.hProcess != nullptr) {
        WaitForSingleObject(process_.hProcess, INFINITE);
        GetExitCodeProcess(process_.hProcess, &status);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = {};
    }
    return {static_cast<int>(status), ReadAll(out_), ReadAll(err_)};
}

#else

inline ChildProgram::ChildProgram(const std::vector<std::string>& arguments, const Options& options)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
        dup2(options.stdoutFd >= 0 ? options.stdoutFd : fileno(out_), STDOUT_FILENO);
        dup2(fileno(err_), STDERR_FILENO);
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
            _exit(127);
        }
        if (options.setup) {
            options.setup();
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
}

inline ChildProgram::~ChildProgram()
{
    if (pid_ > 0) {  // a test that failed half-way must not leave the child behind
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::fclose(out_);
    std::fclose(err_);
}

inline ChildProgram::Result ChildProgram::Wait()
{
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadAll(out_), ReadAll(err_)};
}

#endif
