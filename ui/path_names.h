#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <system_error>

#include "conversion/path_text.h"

// The window shows paths as text but hands the conversion and the preference
// file the native path it listed, so that any name the system can hold (bytes
// that are not UTF-8 on Linux, names outside the code page on Windows)
// survives the trip. None of these throws.
inline QString DisplayText(const std::filesystem::path& path)
{
    return QString::fromStdU16String(PathUtf16(path));
}

inline std::filesystem::path NativePath(const QString& text)
{
    return PathFromUtf16(text.toStdU16String());
}

// The conversion's messages are UTF-8.
inline QString MessageText(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

// The text shown when a list cannot move to `path`.
inline QString DirectoryFailureText(const std::filesystem::path& path, const std::error_code& reason)
{
    return QStringLiteral("Cannot open directory %1: %2").arg(DisplayText(path), MessageText(reason.message()));
}
