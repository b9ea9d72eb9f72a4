#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

// Runs a built program as a child process, for tests that check it from the
// outside: its output, its exit status and what it leaves on disk.
class ChildProgram {
public:
    struct Result {
        int status;  // the exit status; on POSIX 128 + the signal that ended it
        std::string out;
        std::string err;
        int signal = 0;  // the signal that ended it, 0 when it exited
    };

    // Starts `arguments` (UTF-8, the program first) in `workingDirectory`
    // (empty: the test's own) with no input, collecting stdout and stderr.
    // On POSIX `setup` runs in the child just before the program.
    explicit ChildProgram(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory = {},
                          [[maybe_unused]] const std::function<void()>& setup = {})
    {
#ifdef _WIN32
        std::wstring commandLine;
        for (const std::string& argument : arguments) {  // no test argument holds a quote or ends in a backslash
            const std::u8string utf8(argument.begin(), argument.end());
            commandLine += L"\"" + std::filesystem::path(utf8).wstring() + L"\" ";
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out_)));
        startup.hStdError = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(err_)));
        SetHandleInformation(startup.hStdOutput, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        SetHandleInformation(startup.hStdError, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &process_);
#else
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        if ((pid_ = fork()) == 0) {
            dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
            dup2(fileno(out_), STDOUT_FILENO);
            dup2(fileno(err_), STDERR_FILENO);
            if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) {
                _exit(127);
            }
            if (setup) {
                setup();
            }
            execv(argv[0], argv.data());
            _exit(127);
        }
#endif
    }

    ~ChildProgram()
    {
        Reap(true);  // a test that failed half-way must not leave the child behind
        std::fclose(out_);
        std::fclose(err_);
    }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // A braced list is evaluated in order: the output is read once the program has ended.
    Result Wait()
    {
        const int status = Reap(false);
        return {status, ReadAll(out_), ReadAll(err_), signal_};
    }

#ifndef _WIN32
    pid_t Id() const { return pid_; }

    // As Ctrl+C in its terminal would.
    void Signal(int number) const { kill(pid_, number); }

    // Whether a signal sent to the process waits to be delivered.
    bool SignalPending(int number) const
    {
        std::FILE* status = std::fopen(("/proc/" + std::to_string(pid_) + "/status").c_str(), "r");
        unsigned long long pending = 0;
        for (char line[256]; status != nullptr && std::fgets(line, sizeof line, status) != nullptr;) {
            std::sscanf(line, "ShdPnd: %llx", &pending);
        }
        if (status != nullptr) {
            std::fclose(status);
        }
        return (pending >> (number - 1) & 1) != 0;
    }
#endif

    // Everything in `file` from its start, or from where a pipe or terminal stands, to its end.
    static std::string ReadAll(std::FILE* file)
    {
        std::rewind(file);
        std::string text;
        for (int character; (character = std::fgetc(file)) != EOF;) {
            text += static_cast<char>(character);
        }
#ifdef _WIN32
        std::erase(text, '\r');  // line ends as on POSIX
#endif
        return text;
    }

private:
    int Reap(bool stop)
    {
#ifdef _WIN32
        DWORD status = 127;  // could not be started
        if (process_.hProcess != nullptr) {
            if (stop) {
                TerminateProcess(process_.hProcess, 1);
            }
            WaitForSingleObject(process_.hProcess, INFINITE);
            GetExitCodeProcess(process_.hProcess, &status);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
            process_ = {};
        }
        return static_cast<int>(status);
#else
        int status = 0;
        if (pid_ > 0) {
            if (stop) {
                kill(pid_, SIGKILL);
            }
            waitpid(std::exchange(pid_, 0), &status, 0);
        }
        signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
    }

    std::FILE* out_ = std::tmpfile();
    std::FILE* err_ = std::tmpfile();
#ifdef _WIN32
    PROCESS_INFORMATION process_{};
#else
    pid_t pid_ = 0;
#endif
    int signal_ = 0;
};
