// Times the phases of a conversion, and the command-line tool run as a
// separate process against a plain whole-file copy run the same way, with the
// tool's peak memory. Prints figures; it is not a test.
//
//   conversion_bench [--rounds N] [--pause SECONDS] [SIZE...]
//
// Each SIZE, in MiB from 1 to 256 (default 64 and 128), is an uncompressed
// texture of about that size: 8192 × (48 × SIZE) pixels of two bytes with a
// full mipmap chain. Every figure is given as the median, lowest and highest
// of N rounds (default 9). --pause waits before each round, so that the
// system can take back the memory the round before freed: on a virtual
// machine that returns free memory to its host, first touches of memory then
// cost what they cost after a pause in real use.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "conversion/conversion_error.h"
#include "conversion/import_file.h"
#include "support/dds_builder.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kLargestSize = 256;

double Seconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

[[noreturn]] void Fail(const std::string& text)
{
    std::fprintf(stderr, "conversion_bench: %s\n", text.c_str());
    std::exit(1);
}

// Notes when the conversion reaches its event points and its status line.
class PhaseHost : public ConversionHost {
public:
    explicit PhaseHost(std::filesystem::path outputDirectory) : outputDirectory_(std::move(outputDirectory)) {}
    void SetProgressMaximum(float) override {}
    void SetProgressValue(std::uint64_t) override {}
    void ProcessEvents() override
    {
        lastEvent = Clock::now();
        if (!firstEvent) {
            firstEvent = lastEvent;
        }
    }
    void ShowMessage(const std::string& text) override { Fail("the texture was refused: " + text); }
    std::filesystem::path OutputDirectory() override { return outputDirectory_; }
    void SetStatusText(const std::string&) override { status = Clock::now(); }

    std::optional<Clock::time_point> firstEvent;
    Clock::time_point lastEvent;
    Clock::time_point status;

private:
    std::filesystem::path outputDirectory_;
};

struct Round {
    double load;           // from the call to the first event point
    double encode;         // between the first and the last event point
    double buildAndWrite;  // from the last event point to the status line
    double convert;        // the command-line tool as a process of its own
    double copy;           // the plain copy, the same way
    double peakBytes;      // the command-line tool's peak resident memory
};

// Runs a program to its end as a process of its own, with its output
// discarded; returns its time and its peak resident memory in bytes.
std::pair<double, double> RunProgram(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int failure = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failure != 0) {
        Fail("cannot start " + arguments[0]);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double seconds = Seconds(start, Clock::now());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Fail(arguments[0] + " failed");
    }
    return {seconds, 1024.0 * static_cast<double>(usage.ru_maxrss)};
}

Round MeasureRound(const std::filesystem::path& source, const std::filesystem::path& folder)
{
    Round round{};
    PhaseHost host(folder);
    const Clock::time_point start = Clock::now();
    try {
        ImportFile::ImportTexture(source, host);
    } catch (const ConversionError& error) {
        Fail(error.what());
    }
    if (!host.firstEvent) {
        Fail("the texture is too small to reach an event point");
    }
    round.load = Seconds(start, *host.firstEvent);
    round.encode = Seconds(*host.firstEvent, host.lastEvent);
    round.buildAndWrite = Seconds(host.lastEvent, host.status);
    // The processes below start without this one holding a texture.
    ImportFile::SourceBytes = {};
    ImportFile::HexText = {};

    std::tie(round.convert, round.peakBytes) = RunProgram({TORVANE_CONVERT, source.string()});
    round.copy = RunProgram({PLAIN_COPY, source.string(), (folder / "copy.dds").string()}).first;
    return round;
}

// Writes a texture of `width` × `height` two-byte pixels with every level
// down to 1 × 1, filled with noise; returns its number of levels.
unsigned WriteTexture(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height)
{
    std::size_t dataBytes = 0;
    unsigned levels = 0;
    for (std::uint32_t w = width, h = height;; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) {
        dataBytes += std::max<std::size_t>(2 * std::size_t{w} * h, 4);
        ++levels;
        if (w == 1 && h == 1) {
            break;
        }
    }
    std::vector<std::uint8_t> pixels(dataBytes);
    std::mt19937 random(12345);
    std::generate(pixels.begin(), pixels.end(), [&random] { return static_cast<std::uint8_t>(random()); });
    WriteBytes(path, BuildDds({width, height, levels, "", std::move(pixels)}));
    return levels;
}

// A figure over all rounds: its median, lowest and highest value.
struct Spread {
    double median;
    double lowest;
    double highest;
};

Spread SpreadOf(const std::vector<Round>& rounds, const std::function<double(const Round&)>& figure)
{
    std::vector<double> values;
    for (const Round& round : rounds) {
        values.push_back(figure(round));
    }
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

void PrintFigure(const char* name, const Spread& spread, const char* unit, const char* target)
{
    std::printf("  %-16s %6.3f %s  (%.3f to %.3f)  %s\n", name, spread.median, unit, spread.lowest, spread.highest,
                target);
}

void Measure(unsigned sizeMiB, int roundCount, unsigned pauseSeconds)
{
    TempDir folder;
    const std::filesystem::path source = folder.Path() / "texture.dds";
    const std::uint32_t width = 8192;
    const std::uint32_t height = 48 * sizeMiB;
    const unsigned levels = WriteTexture(source, width, height);
    const double fileSize = static_cast<double>(std::filesystem::file_size(source));

    std::vector<Round> rounds;
    for (int round = 0; round < roundCount; ++round) {
        std::this_thread::sleep_for(std::chrono::seconds(pauseSeconds));
        rounds.push_back(MeasureRound(source, folder.Path()));
    }
    const auto spread = [&rounds](const std::function<double(const Round&)>& figure) {
        return SpreadOf(rounds, figure);
    };
    const auto target = [sizeMiB](unsigned appliesAt, const char* text) { return sizeMiB == appliesAt ? text : ""; };
    std::printf("%u x %u uncompressed, %u levels, %.1f MiB; median (lowest to highest) of %d rounds\n", width,
                height, levels, fileSize / (1 << 20), roundCount);
    PrintFigure("load", spread(&Round::load), "s", target(128, "target <= 0.5 s"));
    PrintFigure("encode", spread(&Round::encode), "s", "");
    PrintFigure("build and write", spread(&Round::buildAndWrite), "s", target(128, "target <= 0.6 s"));
    PrintFigure("torvane-convert", spread(&Round::convert), "s", "as a process of its own");
    PrintFigure("plain copy", spread(&Round::copy), "s", "the same way");
    PrintFigure("ratio", spread([](const Round& round) { return round.convert / round.copy; }), " ",
                target(64, "target <= 1.5"));
    PrintFigure("peak memory", spread([fileSize](const Round& round) { return round.peakBytes / fileSize; }), "x",
                "the file size, target <= 5.2");
}

std::optional<unsigned> Number(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? std::optional(value) : std::nullopt;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 9;
    unsigned pauseSeconds = 0;
    std::vector<unsigned> sizes;
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument = argv[index];
        if (argument == "--rounds" && index + 1 < argc) {
            const auto count = Number(argv[++index]);
            if (!count || *count == 0) {
                Fail("--rounds takes a positive number");
            }
            rounds = static_cast<int>(*count);
        } else if (argument == "--pause" && index + 1 < argc) {
            const auto seconds = Number(argv[++index]);
            if (!seconds) {
                Fail("--pause takes a number of seconds");
            }
            pauseSeconds = *seconds;
        } else if (const auto size = Number(argument); size && *size >= 1 && *size <= kLargestSize) {
            sizes.push_back(*size);
        } else {
            Fail("usage: conversion_bench [--rounds N] [--pause SECONDS] [SIZE_MIB (1 to 256)...]");
        }
    }
    if (sizes.empty()) {
        sizes = {64, 128};
    }
    for (const unsigned size : sizes) {
        Measure(size, rounds, pauseSeconds);
        std::fflush(stdout);
    }
    return 0;
}
