// Times a conversion against a plain copy of the same file and measures the
// conversion's peak memory. Prints figures; it is not a test.
//
//   conversion_bench [ROUNDS]   (default 3; the best round of each is shown)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "allocation_meter.h"
#include "dds_builder.h"
#include "hex_text.h"
#include "import_file.h"
#include "temp_dir.h"

namespace {

class SilentHost : public ConversionHost {
public:
    explicit SilentHost(std::filesystem::path outputDirectory) : outputDirectory_(std::move(outputDirectory)) {}
    void SetProgressMaximum(float) override {}
    void SetProgressValue(std::uint64_t) override {}
    void ProcessEvents() override {}
    void ShowMessage(const std::string&) override {}
    std::filesystem::path OutputDirectory() override { return outputDirectory_; }
    void SetStatusText(const std::string&) override {}

private:
    std::filesystem::path outputDirectory_;
};

struct Texture {
    const char* label;
    DdsImage image;
    unsigned bytesPerBlockOf16Pixels;  // 32 for two bytes per pixel, 8 for DXT1
};

// Pixel data for every level down to 1 × 1, sized as the format stores it.
std::size_t MipChainBytes(std::uint32_t width, std::uint32_t height, unsigned bytesPer16Pixels, unsigned& levels)
{
    std::size_t total = 0;
    levels = 0;
    for (;; width = std::max(1u, width / 2), height = std::max(1u, height / 2)) {
        const std::size_t pixels = std::size_t{width} * height;
        total += std::max<std::size_t>(pixels * bytesPer16Pixels / 16, bytesPer16Pixels == 8 ? 8 : 4);
        ++levels;
        if (width == 1 && height == 1) {
            return total;
        }
    }
}

Texture MakeTexture(const char* label, std::uint32_t width, std::uint32_t height, const char* fourCc,
                    unsigned bytesPer16Pixels)
{
    unsigned levels = 0;
    const std::size_t dataBytes = MipChainBytes(width, height, bytesPer16Pixels, levels);
    std::vector<std::uint8_t> data(dataBytes);
    std::mt19937 random(12345);
    std::generate(data.begin(), data.end(), [&random] { return static_cast<std::uint8_t>(random()); });
    return {label, {width, height, levels, fourCc, std::move(data)}, bytesPer16Pixels};
}

double BestSeconds(int rounds, const std::function<void()>& work)
{
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void PlainCopy(const std::filesystem::path& from, const std::filesystem::path& to)
{
    std::ifstream in(from, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::ofstream(to, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Measure(const Texture& texture, int rounds)
{
    TempDir folder;
    const std::string source = folder / "texture.dds";
    {
        const std::vector<std::uint8_t> bytes = BuildDds(texture.image);
        WriteBytes(source, bytes);
    }
    const double fileSize = static_cast<double>(std::filesystem::file_size(source));
    SilentHost host(folder.Path());

    const double copySeconds = BestSeconds(rounds, [&] { PlainCopy(source, folder / "copy.dds"); });

    const double convertSeconds = BestSeconds(rounds, [&] { ImportFile::ImportTexture(source, host); });

    // Measured from a start without the last conversion's state, which the
    // module keeps until the next one replaces it.
    ImportFile::SourceBytes = std::vector<std::uint8_t>();
    ImportFile::HexText = std::string();
    const std::size_t before = AllocationMeter::LiveBytes();
    AllocationMeter::ResetPeak();
    ImportFile::ImportTexture(source, host);
    const double peak = static_cast<double>(AllocationMeter::PeakBytes() - before);

    std::printf("%-30s %7.1f MiB  copy %7.3f s  convert %7.3f s  ratio %5.2f (target <= 5)  "
                "peak memory %5.2f x file size (target <= 5.5)\n",
                texture.label, fileSize / (1 << 20), copySeconds, convertSeconds, convertSeconds / copySeconds,
                peak / fileSize);
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("best of %d rounds\n", rounds);
    Measure(MakeTexture("8192 x 3072 uncompressed, 14 levels", 8192, 3072, "", 32), rounds);
    Measure(MakeTexture("6144 x 4096 DXT1, 13 levels", 6144, 4096, "DXT1", 8), rounds);
    return 0;
}
