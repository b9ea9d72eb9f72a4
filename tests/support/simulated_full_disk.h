#pragma once

#include <cstdint>
#include <optional>

#include "replacement_file.h"

// While it lives, every file the program replaces takes `freeBytes` and then
// fails as on a full disk: the fault no permission bit can make for root,
// on every system.
class SimulatedFullDisk {
public:
    explicit SimulatedFullDisk(std::uint64_t freeBytes) { ReplacementFile::SimulateFreeSpace(freeBytes); }
    ~SimulatedFullDisk() { ReplacementFile::SimulateFreeSpace(std::nullopt); }
    SimulatedFullDisk(const SimulatedFullDisk&) = delete;
    SimulatedFullDisk& operator=(const SimulatedFullDisk&) = delete;
};
