#include "cli/console_host.h"

#include <algorithm>
#include <system_error>

#include "cli/interrupts.h"
#include "conversion/conversion_error.h"

void ConsoleHost::Begin(std::size_t index, const std::filesystem::path& outputDirectory)
{
    index_ = index;
    outputDirectory_ = outputDirectory;
    refusal_.reset();
    status_.reset();
    notices_.clear();
    maximum_ = 0;
    reportedPercent_ = -1;
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
    reportedPercent_ = 0;
    console_.Progress(index_, 0);
}

void ConsoleHost::SetProgressValue(std::uint64_t value)
{
    if (maximum_ <= 0) {
        return;
    }
    const int percent = static_cast<int>(std::min(100.0, 100.0 * static_cast<double>(value) / maximum_));
    if (percent != reportedPercent_) {
        reportedPercent_ = percent;
        console_.Progress(index_, percent);
    }
}

void ConsoleHost::ProcessEvents()
{
    if (InterruptRequested()) {
        throw ConversionCancelled();
    }
}
