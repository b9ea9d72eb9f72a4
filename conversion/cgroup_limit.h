#pragma once

#include <cstdint>
#include <filesystem>

// Linux only: the memory limit a process's control groups set.
namespace CgroupLimit {

// The smallest memory limit of the cgroups that `membership` (as
// /proc/self/cgroup lists them) names, and of those above each, read from the
// hierarchy mounted at `hierarchy` (/sys/fs/cgroup). The largest value there
// is where none is set.
std::uint64_t SmallestLimit(const std::filesystem::path& membership, const std::filesystem::path& hierarchy);

}  // namespace CgroupLimit
