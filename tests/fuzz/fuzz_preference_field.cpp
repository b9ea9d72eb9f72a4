// Reads arbitrary text as a preference file and checks that the first field
// is exactly the run of text the reading rule describes: after the leading
// spaces (and an opening quote), up to the first quote, or comma, or line end.

#include <algorithm>
#include <cstdint>

#include "preferences/preference_file.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view contents(reinterpret_cast<const char*>(data), size);
    const std::string field = PreferenceFile::ReadFirstField(contents);

    const std::size_t firstNonSpace = std::min(contents.find_first_not_of(' '), contents.size());
    const bool quoted = contents.substr(firstNonSpace).starts_with('"');
    const std::string_view stops = quoted ? "\"\r\n" : ",\r\n";
    const std::string_view rest = contents.substr(firstNonSpace + (quoted ? 1 : 0));
    Require(rest.starts_with(field), "the field is the text after the spaces (and quote)");
    Require(field.find_first_of(stops) == std::string::npos, "the field holds no stop");
    Require(field.size() == rest.size() || stops.find(rest[field.size()]) != std::string_view::npos,
            "the field runs up to its stop");
    return 0;
}
