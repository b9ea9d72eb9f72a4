#pragma once

#include <cstdint>

// How much memory this process can have: what the machine holds, and what
// the process itself is allowed. Sizes are in bytes; a limit the system does
// not set is the largest value there is.
namespace SystemMemory {

// The physical memory, or less where the process runs in a container with a
// memory limit of its own (a cgroup's on Linux). Measured once.
std::uint64_t Physical();

// How much more the process may map before its own limits refuse it
// (RLIMIT_AS and RLIMIT_DATA on Linux, less what it holds already; the
// address space and commit charge left on Windows). Measured at each call.
std::uint64_t ProcessHeadroom();

}  // namespace SystemMemory
