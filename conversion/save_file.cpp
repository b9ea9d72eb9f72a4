#include "conversion/save_file.h"

#include <algorithm>
#include <array>

#include "conversion/hex_text.h"
#include "conversion/path_text.h"
#include "conversion/replacement_file.h"

namespace SaveFile {

void WriteLevelFile(std::string_view levelHex, const std::filesystem::path& baseName, ConversionHost& host)
{
    std::filesystem::path fileName = baseName;
    fileName += ".lvl";
    ReplacementFile output(JoinPath(host.OutputDirectory(), fileName));

    // Decoded a buffer at a time: the level data is never held twice as bytes.
    std::array<std::uint8_t, 1 << 16> buffer;
    const std::size_t byteCount = levelHex.size() / 2;
    for (std::size_t done = 0; done < byteCount;) {
        const std::size_t count = std::min(buffer.size(), byteCount - done);
        HexDigits::DecodeBytes(levelHex.data() + 2 * done, count, buffer.data());
        output.Write(buffer.data(), count);
        done += count;
    }
    output.Commit();

    host.SetStatusText(PathText(fileName) + " created.");
}

}  // namespace SaveFile
