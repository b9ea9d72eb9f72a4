#include "console_host.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "portability.h"

namespace {

constexpr int kBarWidth = 30;

}  // namespace

ConsoleHost::ConsoleHost(bool showProgress) : showProgress_(showProgress) {}

void ConsoleHost::Begin(const std::filesystem::path& source, const std::filesystem::path& outputDirectory)
{
    source_ = source;
    outputDirectory_ = outputDirectory;
    refusal_.reset();
    status_.reset();
    maximum_ = 0;
    drawnPercent_ = -1;
}

void ConsoleHost::Finish()
{
    if (showProgress_ && drawnPercent_ >= 0) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

std::filesystem::path ConsoleHost::OutputDirectory()
{
    std::error_code ignored;  // a directory that cannot be made is reported by the write
    std::filesystem::create_directories(outputDirectory_, ignored);
    return outputDirectory_;
}

void ConsoleHost::SetProgressMaximum(float maximum)
{
    maximum_ = maximum;
    if (showProgress_) {
        DrawProgress(0);
    }
}

void ConsoleHost::SetProgressValue(std::uint64_t value)
{
    if (!showProgress_ || maximum_ <= 0) {
        return;
    }
    const int percent = static_cast<int>(std::min(100.0, 100.0 * static_cast<double>(value) / maximum_));
    if (percent != drawnPercent_) {
        DrawProgress(percent);
    }
}

void ConsoleHost::DrawProgress(int percent)
{
    drawnPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    const std::string name = Portability::PathText(source_.filename());
    std::fprintf(stderr, "\r[%.*s%*s] %3d%% %s\033[K", filled, std::string(kBarWidth, '#').c_str(),
                 kBarWidth - filled, "", percent, name.c_str());
    std::fflush(stderr);
}
