#include "ui/executable_directory.h"

#include <system_error>

std::filesystem::path ExecutableDirectory()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path(error) : executable.parent_path();
}
