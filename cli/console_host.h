#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "conversion_host.h"

// Carries out a conversion's reports on a terminal: a progress bar on stderr
// when that is a terminal; the status text and a refusal are kept for the
// caller to print, one line per texture.
class ConsoleHost : public ConversionHost {
public:
    explicit ConsoleHost(bool showProgress);

    // Starts a new texture, whose level file goes into `outputDirectory`.
    void Begin(const std::filesystem::path& source, const std::filesystem::path& outputDirectory);
    // Clears the progress bar once the texture is done.
    void Finish();

    const std::optional<std::string>& Refusal() const { return refusal_; }
    const std::optional<std::string>& Status() const { return status_; }

    void SetProgressMaximum(float maximum) override;
    void SetProgressValue(std::uint64_t value) override;
    void ProcessEvents() override {}
    void ShowMessage(const std::string& text) override { refusal_ = text; }
    // Made on demand, so that a refused texture leaves no empty folder behind.
    std::filesystem::path OutputDirectory() override;
    void SetStatusText(const std::string& text) override { status_ = text; }

private:
    void DrawProgress(int percent);

    bool showProgress_;
    std::filesystem::path source_;
    std::filesystem::path outputDirectory_;
    std::optional<std::string> refusal_;
    std::optional<std::string> status_;
    double maximum_ = 0;
    int drawnPercent_ = -1;
};
