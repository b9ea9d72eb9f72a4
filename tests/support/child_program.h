#pragma once

#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs a built program as a child process, for tests that check it from the
// outside: its output, its exit status and what it leaves on disk.
class ChildProgram {
public:
    struct Result {
        int status;  // the exit status, or 128 + the signal that ended it
        std::string out;
        std::string err;
    };

    // Starts `arguments` (the program first) with an empty stdin; stderr is
    // collected, and so is stdout unless `stdoutFd` is given. `setup` runs in
    // the child just before the program starts (limits, signal dispositions).
    explicit ChildProgram(const std::vector<std::string>& arguments, const std::function<void()>& setup = {},
                          int stdoutFd = -1)
        : out_(std::tmpfile()), err_(std::tmpfile())
    {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
            dup2(stdoutFd >= 0 ? stdoutFd : fileno(out_), STDOUT_FILENO);
            dup2(fileno(err_), STDERR_FILENO);
            if (setup) {
                setup();
            }
            execv(argv[0], argv.data());
            _exit(127);
        }
    }

    ~ChildProgram()
    {
        if (pid_ > 0) {  // a test that failed half-way must not leave the child behind
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::fclose(out_);
        std::fclose(err_);
    }

    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // Sends the running program a signal, as Ctrl+C in its terminal would.
    void Signal(int number) const { kill(pid_, number); }

    Result Wait()
    {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadAll(out_), ReadAll(err_)};
    }

private:
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

    std::FILE* out_;
    std::FILE* err_;
    pid_t pid_ = 0;
};
