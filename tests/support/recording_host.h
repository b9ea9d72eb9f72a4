#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "conversion_host.h"

// A host that records every call, in order, for tests to inspect.
class RecordingHost : public ConversionHost {
public:
    explicit RecordingHost(std::filesystem::path outputDirectory = ".") : outputDirectory(std::move(outputDirectory)) {}

    void SetProgressMaximum(float maximum) override
    {
        maximums.push_back(maximum);
        calls.push_back("maximum " + std::to_string(static_cast<double>(maximum)));
    }
    void SetProgressValue(std::uint64_t value) override
    {
        values.push_back(value);
        calls.push_back("value " + std::to_string(value));
    }
    void ProcessEvents() override
    {
        ++eventRounds;
        calls.push_back("events");
    }
    void ShowMessage(const std::string& text) override
    {
        messages.push_back(text);
        calls.push_back("message " + text);
    }
    std::filesystem::path OutputDirectory() override
    {
        calls.push_back("output directory");
        return outputDirectory;
    }
    void SetStatusText(const std::string& text) override
    {
        statuses.push_back(text);
        calls.push_back("status " + text);
    }

    std::filesystem::path outputDirectory;
    std::vector<std::string> calls;
    std::vector<float> maximums;
    std::vector<std::uint64_t> values;
    std::vector<std::string> messages;
    std::vector<std::string> statuses;
    int eventRounds = 0;
};
