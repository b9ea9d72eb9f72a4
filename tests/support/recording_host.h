#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "conversion_error.h"
#include "conversion_host.h"

// A host that records every call, in order, for tests to inspect.
class RecordingHost : public ConversionHost {
public:
    explicit RecordingHost(std::filesystem::path outputDirectory = ".") : outputDirectory(std::move(outputDirectory)) {}

    void SetProgressMaximum(float maximum) override { calls.push_back("maximum " + std::to_string(maximum)); }
    void SetProgressValue(std::uint64_t value) override
    {
        calls.push_back("value " + std::to_string(value));
        values.push_back(value);
    }
    void ProcessEvents() override { calls.push_back("events"); onEvents(); }
    void ShowMessage(const std::string& text) override { calls.push_back("message " + text); messages.push_back(text); }
    void SetStatusText(const std::string& text) override { calls.push_back("status " + text); statuses.push_back(text); }
    std::filesystem::path OutputDirectory() override { return outputDirectory; }

    std::filesystem::path outputDirectory;
    std::function<void()> onEvents = [] {};  // what a window would do with the input it lets through
    std::vector<std::string> calls;
    std::vector<std::uint64_t> values;
    std::vector<std::string> messages;
    std::vector<std::string> statuses;
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
