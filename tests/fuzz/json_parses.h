#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <string>

// Whether `text` parses as one JSON document, its strings valid UTF-8.
inline bool JsonParses(const std::string& text)
{
    QJsonParseError error{};
    QJsonDocument::fromJson(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &error);
    return error.error == QJsonParseError::NoError;
}
