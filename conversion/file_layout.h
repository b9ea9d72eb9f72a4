#pragma once

#include <cstddef>
#include <cstdint>

// Where the fields this program reads and writes sit, in bytes from the start
// of a DDS texture's header or of a level file's record.
namespace FileLayout {

constexpr std::size_t kDdsHeaderBytes = 128;  // the pixel data follows
constexpr std::size_t kDdsHeightOffset = 12;
constexpr std::size_t kDdsWidthOffset = 16;
constexpr std::size_t kDdsMipCountOffset = 28;
constexpr std::size_t kDdsFourCcOffset = 84;

// "LVL_" and its length, the INFO chunk (index and size), "BODY" and its
// size; the level's data follows.
constexpr std::size_t kRecordHeaderBytes = 32;
// What a record's "LVL_" length counts besides the data: the INFO chunk and
// the BODY chunk's header.
constexpr std::uint32_t kLevelLengthOverhead = 24;

}  // namespace FileLayout
