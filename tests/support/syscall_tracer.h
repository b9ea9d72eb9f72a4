#pragma once

// Linux only: ptrace and /proc.

#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <climits>
#include <cstdint>
#include <functional>
#include <string>

// Holds a child program at each system call it makes, so that a test can act
// at an exact point of its work, not at a moment guessed by a clock: kill it
// in the middle of a write, change a file it is reading. The child asks to
// be traced before its program starts (TraceMe, as ChildProgram's setup).
class SyscallTracer {
public:
    struct Stop {
        bool entry;  // about to make the call; else it has just made it
        std::uint64_t number;  // on entry: SYS_read, SYS_write, ...
        std::array<std::uint64_t, 6> arguments;  // on entry
    };

    static void TraceMe() { ptrace(PTRACE_TRACEME, 0, nullptr, nullptr); }

    // Waits until the child has started its program, where it is held.
    explicit SyscallTracer(pid_t child) : child_(child)
    {
        int signal = 0;
        if (NextStop(signal)) {
            ptrace(PTRACE_SETOPTIONS, child_, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
        }
    }

    // Lets the child run from call to call until `holdHere` says to hold it
    // at one; returns false when the child ended first, leaving its end for
    // its ChildProgram to collect.
    bool RunUntil(const std::function<bool(const Stop&)>& holdHere)
    {
        for (int signal = 0;;) {
            if (ptrace(PTRACE_SYSCALL, child_, nullptr, signal) != 0 || !NextStop(signal)) {
                return false;
            }
            if (signal != 0) {
                continue;  // a signal for the child, passed on
            }
            __ptrace_syscall_info information{};
            ptrace(PTRACE_GET_SYSCALL_INFO, child_, sizeof information, &information);
            Stop stop{information.op == PTRACE_SYSCALL_INFO_ENTRY, 0, {}};
            if (stop.entry) {
                stop.number = information.entry.nr;
                for (std::size_t index = 0; index < stop.arguments.size(); ++index) {
                    stop.arguments[index] = information.entry.args[index];
                }
            }
            if (holdHere(stop)) {
                return true;
            }
        }
    }

    // Lets the child run on, untraced.
    void Release() { ptrace(PTRACE_DETACH, child_, nullptr, nullptr); }

    // The path of the file a descriptor of the child's names.
    std::string FileOf(std::uint64_t descriptor) const
    {
        char target[PATH_MAX];
        const std::string link = "/proc/" + std::to_string(child_) + "/fd/" + std::to_string(descriptor);
        const ssize_t length = readlink(link.c_str(), target, sizeof target);
        return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
    }

private:
    // Waits for the child's next stop; `signal` is the one to pass on, 0 for
    // a system call or its start. False when it ended instead.
    bool NextStop(int& signal)
    {
        siginfo_t information{};
        if (waitid(P_PID, child_, &information, WEXITED | WSTOPPED | WNOWAIT) != 0 ||
            (information.si_code != CLD_TRAPPED && information.si_code != CLD_STOPPED)) {
            return false;
        }
        int status = 0;
        waitpid(child_, &status, 0);
        const int stopped = WSTOPSIG(status);
        signal = stopped == (SIGTRAP | 0x80) || stopped == SIGTRAP ? 0 : stopped;
        return true;
    }

    pid_t child_;
};
