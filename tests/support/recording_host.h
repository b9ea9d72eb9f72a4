#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "conversion/conversion_error.h"
#include "conversion/conversion_host.h"

// A host that records its calls for tests to inspect.
class RecordingHost : public ConversionHost {
public:
    explicit RecordingHost(std::filesystem::path outputDirectory = ".") : outputDirectory(std::move(outputDirectory)) {}

    void SetProgressMaximum(float maximum) override { progress.push_back("maximum " + std::to_string(maximum)); }
    void SetProgressValue(std::uint64_t value) override { progress.push_back("value " + std::to_string(value)); }
    void ProcessEvents() override { progress.push_back("events"); onEvents(); }
    void ShowMessage(const std::string& text) override { reports.push_back("message " + text); }
    void SetStatusText(const std::string& text) override { reports.push_back("status " + text); }
    void ShowNotice(const std::string& text) override { reports.push_back("notice " + text); }
    std::filesystem::path OutputDirectory() override { return outputDirectory; }

    std::filesystem::path outputDirectory;
    std::function<void()> onEvents = [] {};  // what a window would do with the input it lets through
    std::vector<std::string> progress;       // the bar's calls and the event rounds, in order
    std::vector<std::string> reports;        // message boxes, status texts and notices, in order
};

// The text of the ConversionError that `action` throws, or "" when it throws none.
inline std::string ConversionFailure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ConversionError& error) {
        return error.what();
    }
    return "";
}
