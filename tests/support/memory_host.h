#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>
#include <vector>

#include "support/recording_host.h"

// A recording host that keeps the level files in memory: each one committed
// lands in `files` under its path, and nothing touches the disk. `writeFailure`,
// when set, fails every write as the system would.
class MemoryHost : public RecordingHost {
public:
    using RecordingHost::RecordingHost;

    std::unique_ptr<LevelFileOutput> OpenLevelFile(const std::filesystem::path& path, std::error_code&) override
    {
        ++opened;
        return std::make_unique<Output>(*this, path);
    }

    std::map<std::filesystem::path, std::vector<std::uint8_t>> files;
    std::size_t opened = 0;
    std::error_code writeFailure;

private:
    class Output : public LevelFileOutput {
    public:
        Output(MemoryHost& host, std::filesystem::path path) : host_(host), path_(std::move(path)) {}
        void Write(const void* bytes, std::size_t count, std::error_code& error) override
        {
            if (host_.writeFailure) {
                error = host_.writeFailure;
                return;
            }
            const auto* first = static_cast<const std::uint8_t*>(bytes);
            bytes_.insert(bytes_.end(), first, first + count);
        }
        void Commit(std::error_code&) override { host_.files[path_] = std::move(bytes_); }

    private:
        MemoryHost& host_;
        std::filesystem::path path_;
        std::vector<std::uint8_t> bytes_;
    };
};
