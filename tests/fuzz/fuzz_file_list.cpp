// Writes a file list from the input, as a person or a script would: paths,
// comments and blank lines, each line ending in LF or CR LF, perhaps a byte
// order mark first and no line end last. Reading it back must give each path
// once, in order, and nothing of the comments and blank lines.

#include <fuzzer/FuzzedDataProvider.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/file_list.h"
#include "conversion/path_text.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string byteOrderMark = "\xEF\xBB\xBF";
    std::string text = input.ConsumeBool() ? byteOrderMark : "";
    const bool marked = !text.empty();
    std::vector<std::filesystem::path> paths;
    while (input.remaining_bytes() > 0) {
        const int kind = input.ConsumeIntegralInRange(0, 3);
        std::string line = input.ConsumeRandomLengthString(80);
        std::erase(line, '\n');
        const bool crlf = input.ConsumeBool();
        const bool last = input.remaining_bytes() == 0 && input.ConsumeBool();
        if (kind == 0) {
            line = "#" + line;
        } else if (kind == 1) {
            line.clear();
        } else if (line.empty() || line.starts_with('#') || ((!crlf || last) && line.ends_with('\r')) ||
                   (!marked && text.empty() && line.starts_with(byteOrderMark))) {
            continue;  // a name no list can give: read back it is a comment, a blank or another name
        } else {
            paths.push_back(PathFromUtf8(line));
        }
        text += line + (last ? "" : crlf ? "\r\n" : "\n");
    }
    std::istringstream stream(text);
    Require(ParseFileList(stream) == paths, "each path once, in order, without comments and blank lines");
    return 0;
}
