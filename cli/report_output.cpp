#include "cli/report_output.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <string>
#include <string_view>

#include "conversion/path_text.h"
#include "conversion/utf_text.h"

namespace {

std::string ValueText(const std::variant<std::uint64_t, std::string>& value)
{
    return std::holds_alternative<std::uint64_t>(value) ? std::to_string(std::get<std::uint64_t>(value))
                                                        : std::get<std::string>(value);
}

void WriteRecordTable(const FileReport& report, std::ostream& out)
{
    std::vector<std::size_t> widths;
    for (std::size_t column = 0; column < report.recordColumns.size(); ++column) {
        std::size_t width = report.recordColumns[column].label.size();
        for (const auto& record : report.records) {
            width = std::max(width, std::to_string(record[column]).size());
        }
        widths.push_back(width);
    }
    out << "  records\n   ";
    for (std::size_t column = 0; column < widths.size(); ++column) {
        out << "  " << std::setw(static_cast<int>(widths[column])) << report.recordColumns[column].label;
    }
    out << '\n';
    for (const auto& record : report.records) {
        out << "   ";
        for (std::size_t column = 0; column < widths.size(); ++column) {
            out << "  " << std::setw(static_cast<int>(widths[column])) << record[column];
        }
        out << '\n';
    }
}

// A JSON string; a name that is not valid UTF-8 shows U+FFFD where it is not.
std::string JsonString(std::string_view text)
{
    const std::string valid = UtfText::Utf16ToUtf8(UtfText::Utf8ToUtf16(text));
    std::string json = "\"";
    for (const char character : valid) {
        const auto code = static_cast<unsigned char>(character);
        if (character == '"' || character == '\\') {
            json += '\\';
            json += character;
        } else if (code < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", code);
            json += escape;
        } else {
            json += character;
        }
    }
    return json + "\"";
}

void WriteJsonTexts(const std::vector<std::string>& texts, std::ostream& out)
{
    out << '[';
    for (std::size_t index = 0; index < texts.size(); ++index) {
        out << (index > 0 ? ", " : "") << JsonString(texts[index]);
    }
    out << ']';
}

void WriteJsonReport(const FileReport& report, std::ostream& out)
{
    out << "    {\n      \"path\": " << JsonString(PathText(report.path)) << ",\n";
    out << "      \"kind\": " << (report.kind.empty() ? "null" : JsonString(report.kind)) << ",\n";
    for (const FileReport::Fact& fact : report.facts) {
        out << "      " << JsonString(fact.key) << ": "
            << (std::holds_alternative<std::uint64_t>(fact.value) ? ValueText(fact.value) : JsonString(ValueText(fact.value)))
            << ",\n";
    }
    if (!report.recordColumns.empty()) {
        // Escaped once, not once a row: a level file may hold thousands of records.
        std::vector<std::string> keys;
        for (const FileReport::Column& column : report.recordColumns) {
            keys.push_back(JsonString(column.key));
        }
        out << "      \"records\": [";
        for (std::size_t row = 0; row < report.records.size(); ++row) {
            out << (row > 0 ? "," : "") << "\n        {";
            for (std::size_t column = 0; column < keys.size(); ++column) {
                out << (column > 0 ? ", " : "") << keys[column] << ": " << report.records[row][column];
            }
            out << '}';
        }
        out << (report.records.empty() ? "" : "\n      ") << "],\n";
    }
    out << "      \"warnings\": ";
    WriteJsonTexts(report.warnings, out);
    out << ",\n      \"errors\": ";
    WriteJsonTexts(report.errors, out);
    out << ",\n      \"sound\": " << (report.Sound() ? "true" : "false") << "\n    }";
}

}  // namespace

void WriteReportsAsText(const std::vector<FileReport>& reports, std::ostream& out)
{
    for (const FileReport& report : reports) {
        if (&report != &reports.front()) {
            out << '\n';
        }
        out << PathText(report.path) << (report.kind.empty() ? "" : ": " + report.kind) << '\n';
        std::size_t labelWidth = 0;
        for (const FileReport::Fact& fact : report.facts) {
            labelWidth = std::max(labelWidth, fact.label.size());
        }
        for (const FileReport::Fact& fact : report.facts) {
            out << "  " << std::left << std::setw(static_cast<int>(labelWidth + 2)) << fact.label << std::right
                << ValueText(fact.value) << '\n';
        }
        if (!report.records.empty()) {
            WriteRecordTable(report, out);
        }
        for (const std::string& warning : report.warnings) {
            out << "  warning: " << warning << '\n';
        }
        for (const std::string& error : report.errors) {
            out << "  error: " << error << '\n';
        }
    }
}

void WriteReportsAsJson(const std::vector<FileReport>& reports, std::ostream& out)
{
    out << "{\n  \"files\": [";
    for (std::size_t index = 0; index < reports.size(); ++index) {
        out << (index > 0 ? ",\n" : "\n");
        WriteJsonReport(reports[index], out);
    }
    out << (reports.empty() ? "" : "\n  ") << "]\n}\n";
}
