// Reads arbitrary text as a preference file and checks that the first field
// is exactly the run of text the reading rule describes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "preference_file.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view contents(reinterpret_cast<const char*>(data), size);
    const std::string field = PreferenceFile::ReadFirstField(contents);

    const std::size_t firstNonSpace = std::min(contents.find_first_not_of(' '), contents.size());
    const bool quoted = firstNonSpace < contents.size() && contents[firstNonSpace] == '"';
    const std::string_view stops = quoted ? "\"\r\n" : ",\r\n";
    const std::size_t start = firstNonSpace + (quoted ? 1 : 0);
    const std::size_t end = start + field.size();

    Require(contents.substr(start, field.size()) == field, "the field is the text after the spaces (and quote)");
    Require(field.find_first_of("\r\n") == std::string::npos, "the field stays on its line");
    Require(field.find_first_of(stops.substr(0, 1)) == std::string::npos,
            quoted ? "a quoted field holds no quote" : "an unquoted field holds no comma");
    Require(quoted || !field.starts_with(' '), "an unquoted field has no leading space");
    Require(end == contents.size() || stops.find(contents[end]) != std::string_view::npos,
            "the field runs up to its stop");
    return 0;
}
