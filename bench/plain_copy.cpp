// The benchmark's yardstick: a plain whole-file copy, the least any program
// that reads a texture whole and writes a file of its size must do. Reads
// SOURCE into memory in one go and writes it to TARGET in one go.
//   plain_copy SOURCE TARGET

#include <filesystem>
#include <fstream>
#include <memory>

int main(int argc, char** argv)
{
    if (argc != 3) {
        return 2;
    }
    const auto size = static_cast<std::streamsize>(std::filesystem::file_size(argv[1]));
    const auto bytes = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
    std::ifstream(argv[1], std::ios::binary).read(bytes.get(), size);
    std::ofstream target(argv[2], std::ios::binary);
    target.write(bytes.get(), size);
    return target.flush() ? 0 : 1;
}
