#include "conversion/cgroup_limit.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <string_view>

namespace CgroupLimit {

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

}  // namespace

// Each cgroup bounds everything below it. Version 2's unified line is
// "0::/path", version 1's memory line "N:memory:/path" (or with other
// controllers).
std::uint64_t SmallestLimit(const std::filesystem::path& membership, const std::filesystem::path& hierarchy)
{
    std::ifstream cgroups(membership);
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
            root = hierarchy.string();
            file = "/memory.max";
        } else if (HasController(controllers, "memory")) {
            root = (hierarchy / "memory").string();
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

}  // namespace CgroupLimit
