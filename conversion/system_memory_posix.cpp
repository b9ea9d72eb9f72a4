#include "conversion/system_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <string_view>

namespace SystemMemory {

namespace {

constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

// A limit file of a cgroup: a number of bytes, or "max" (version 2) or a
// value near 2^63 (version 1) for none.
std::uint64_t ReadLimit(const std::string& file)
{
    std::ifstream in(file);
    std::uint64_t bytes = 0;
    return in >> bytes ? bytes : kUnlimited;
}

// Whether a cgroup line's list of controllers ("cpu,memory") holds `name`.
bool HasController(std::string_view list, std::string_view name)
{
    for (;;) {
        const std::size_t comma = list.find(',');
        if (list.substr(0, comma) == name) {
            return true;
        }
        if (comma == std::string_view::npos) {
            return false;
        }
        list.remove_prefix(comma + 1);
    }
}

// The smallest memory limit of the process's cgroup and those above it: each
// one bounds everything below it. Version 2's unified line is "0::/path",
// version 1's memory line "N:memory:/path" (or with other controllers).
std::uint64_t CgroupLimit()
{
    std::ifstream cgroups("/proc/self/cgroup");
    std::uint64_t limit = kUnlimited;
    for (std::string line; std::getline(cgroups, line);) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            continue;
        }
        const std::string_view controllers = std::string_view(line).substr(first + 1, second - first - 1);
        std::string path = line.substr(second + 1);
        std::string root, file;
        if (controllers.empty()) {
            root = "/sys/fs/cgroup";
            file = "/memory.max";
        } else if (HasController(controllers, "memory")) {
            root = "/sys/fs/cgroup/memory";
            file = "/memory.limit_in_bytes";
        } else {
            continue;
        }
        for (;;) {
            limit = std::min(limit, ReadLimit(root + path + file));
            if (path.empty() || path == "/") {
                break;
            }
            path.erase(path.find_last_of('/'));
        }
    }
    return limit;
}

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
        return std::min(machine, CgroupLimit());
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
