#pragma once

#include <cstddef>

// Counts the bytes the program holds through operator new, so a benchmark can
// tell the peak memory of one step of work.
namespace AllocationMeter {

std::size_t LiveBytes();
std::size_t PeakBytes();
// Starts a new peak from what is held now.
void ResetPeak();

}  // namespace AllocationMeter
