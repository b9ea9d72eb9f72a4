#pragma once

#include <QFile>
#include <QString>

#include <string>
#include <system_error>

// Paths cross between Qt's text and the conversion's byte strings in the
// file system's own encoding, so that any name the system can hold survives
// the trip.
inline std::string ToFileSystemPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

inline QString FromFileSystemPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The text shown when a list cannot move to `path`.
inline QString DirectoryFailureText(const QString& path, const std::error_code& reason)
{
    return QStringLiteral("Cannot open directory %1: %2").arg(path, QString::fromLocal8Bit(reason.message()));
}
