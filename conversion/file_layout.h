#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The two file formats: where each field this program reads or writes sits,
// in bytes, and the tags that mark them. Integers are unsigned 32-bit
// little-endian in both.
namespace FileLayout {

// A DDS texture: a 128-byte header, then the pixel data of every level,
// largest first. Only these fields are read.
inline constexpr std::string_view kDdsMagic = "DDS ";  // at offset 0
inline constexpr std::size_t kDdsHeightOffset = 12;
inline constexpr std::size_t kDdsWidthOffset = 16;
inline constexpr std::size_t kDdsMipCountOffset = 28;  // only its low byte counts
inline constexpr std::size_t kDdsFourCcOffset = 84;
inline constexpr std::size_t kDdsHeaderBytes = 128;
// The pixel formats that size their levels by rules of their own.
inline constexpr std::string_view kDxt1FourCc = "DXT1";
inline constexpr std::string_view kDxt3FourCc = "DXT3";

// A level file: one record per level, level 0 first, nothing between them.
// A record is "LVL_" and its length, an INFO chunk (its payload: the level's
// index and size), a BODY chunk's header with the size again, and the
// level's data.
inline constexpr std::string_view kLevelFileExtension = ".lvl";
inline constexpr std::string_view kLevelTag = "LVL_";
inline constexpr std::string_view kInfoTag = "INFO";
inline constexpr std::string_view kBodyTag = "BODY";
inline constexpr std::size_t kTagBytes = 4;

inline constexpr std::size_t kLevelTagOffset = 0;
inline constexpr std::size_t kLevelLengthOffset = 4;
inline constexpr std::size_t kInfoTagOffset = 8;
inline constexpr std::size_t kInfoLengthOffset = 12;
inline constexpr std::size_t kLevelIndexOffset = 16;
inline constexpr std::size_t kInfoSizeOffset = 20;
inline constexpr std::size_t kBodyTagOffset = 24;
inline constexpr std::size_t kBodySizeOffset = 28;
inline constexpr std::size_t kRecordHeaderBytes = 32;  // the data follows

inline constexpr std::uint32_t kInfoPayloadBytes = 8;
// What a record's "LVL_" length counts besides the data: the INFO chunk and
// the BODY chunk's header.
inline constexpr std::uint32_t kLevelLengthOverhead = kRecordHeaderBytes - kInfoTagOffset;

}  // namespace FileLayout
