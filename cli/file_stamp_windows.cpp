#include "cli/file_stamp.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

std::optional<FileStamp> StampOf(const std::filesystem::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        return std::nullopt;
    }
    const auto join = [](DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; };
    return FileStamp{join(attributes.nFileSizeHigh, attributes.nFileSizeLow),
                     static_cast<std::int64_t>(join(attributes.ftLastWriteTime.dwHighDateTime,
                                                    attributes.ftLastWriteTime.dwLowDateTime))};
}
