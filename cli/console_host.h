#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_console.h"
#include "conversion/conversion_host.h"

// Carries out one worker's conversions for the command line: progress goes
// to the batch's console, the status text and a refusal are kept for the
// caller to turn into the texture's line, and Ctrl+C cancels the conversion
// at its next event point.
class ConsoleHost : public ConversionHost {
public:
    explicit ConsoleHost(BatchConsole& console) : console_(console) {}

    // Starts the texture at `index` of the batch, whose level file goes into
    // `outputDirectory`.
    void Begin(std::size_t index, const std::filesystem::path& outputDirectory);

    const std::optional<std::string>& Refusal() const { return refusal_; }
    const std::optional<std::string>& Status() const { return status_; }
    const std::vector<std::string>& Notices() const { return notices_; }

    void SetProgressMaximum(float maximum) override;
    void SetProgressValue(std::uint64_t value) override;
    void ProcessEvents() override;
    void ShowMessage(const std::string& text) override { refusal_ = text; }
    // Made on demand, so that a refused texture leaves no empty folder behind.
    std::filesystem::path OutputDirectory() override;
    void SetStatusText(const std::string& text) override { status_ = text; }
    void ShowNotice(const std::string& text) override { notices_.push_back(text); }

private:
    BatchConsole& console_;
    std::size_t index_ = 0;
    std::filesystem::path outputDirectory_;
    std::optional<std::string> refusal_;
    std::optional<std::string> status_;
    std::vector<std::string> notices_;
    double maximum_ = 0;
    int reportedPercent_ = -1;
};
