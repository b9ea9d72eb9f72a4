#include "conversion/system_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>

#include "conversion/cgroup_limit.h"

namespace SystemMemory {

namespace {

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

// The room left under a process limit that `used` bytes count against.
std::uint64_t RoomUnder(int resource, std::uint64_t used)
{
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kUnlimited;
    }
    return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
}

}  // namespace

std::uint64_t Physical()
{
    static const std::uint64_t physical = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        const std::uint64_t machine =
            pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) : kUnlimited;
        return std::min(machine, CgroupLimit::SmallestLimit("/proc/self/cgroup", "/sys/fs/cgroup"));
    }();
    return physical;
}

std::uint64_t ProcessHeadroom()
{
    // The address space and the private writable part of it (data and
    // stack, which RLIMIT_DATA counts), in pages.
    std::uint64_t sizePages = 0, resident = 0, shared = 0, text = 0, library = 0, dataPages = 0;
    std::ifstream("/proc/self/statm") >> sizePages >> resident >> shared >> text >> library >> dataPages;
    const auto pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    return std::min(RoomUnder(RLIMIT_AS, sizePages * pageSize), RoomUnder(RLIMIT_DATA, dataPages * pageSize));
}

}  // namespace SystemMemory
