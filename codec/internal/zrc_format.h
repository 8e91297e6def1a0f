// The ZRC container: a 92-byte header and 528-byte pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pagecodec.h"

namespace zrc {

inline constexpr std::size_t kHeaderSize = 92;
inline constexpr std::size_t kPageSize = 528;
inline constexpr std::size_t kPageFlagOffset = 512;
// Payload bits never exceed what lies before the page flag.
inline constexpr int kMaxPayloadBits = 4096;
inline constexpr std::size_t kMaxCodesPerPage = 2048;

// Header offsets.
namespace header {
inline constexpr std::size_t kPageSizeField = 58;
inline constexpr std::size_t kMode = 60;
inline constexpr std::size_t kSet0 = 61;  // rate, width, payload bytes (2), extra bits
inline constexpr std::size_t kSet1 = 66;
inline constexpr std::size_t kSeconds0 = 71;
inline constexpr std::size_t kSeconds1 = 73;
inline constexpr std::size_t kStoredPages0 = 75;
inline constexpr std::size_t kStoredPages1 = 79;
inline constexpr std::size_t kDataTag = 84;
inline constexpr std::size_t kDataSize = 88;
}  // namespace header

constexpr std::uint64_t pageOffset(std::uint64_t page) { return kHeaderSize + kPageSize * page; }
constexpr std::uint64_t pageFlagOffset(std::uint64_t page) { return pageOffset(page) + kPageFlagOffset; }

// Only bit 0 of the flag counts: set means a type-1 page.
constexpr int pageTypeOfFlag(std::uint8_t flag) { return flag & 1; }

constexpr bool isRateCode(unsigned v) { return v == 7 || v == 8 || v == 11; }
constexpr bool isCodeWidth(unsigned v) { return v >= 2 && v <= 4; }

constexpr std::uint16_t readLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
constexpr std::uint32_t readLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The conformance test, in its order: magic "QIFF", "WAVE" and "fmt ",
// header mode 0-2, rate codes and code widths of both sets, "data". A file
// shorter than the header, or whose page size is 0, does not conform either:
// neither has a page count.
bool isConformingHeader(std::span<const std::uint8_t> header, std::uint64_t fileLength);

// The record for a conforming header and the file's length.
RecordingInfo recordingInfoFromHeader(std::span<const std::uint8_t, kHeaderSize> header,
                                      std::uint64_t fileLength);

// The failure records: every field holds the value (1 or 13).
RecordingInfo filledRecordingInfo(std::uint16_t value);
inline constexpr std::uint16_t kCannotOpen = PAGECODEC_INFO_CANNOT_OPEN;
inline constexpr std::uint16_t kNotARecording = PAGECODEC_INFO_NOT_A_RECORDING;

// Codes per page of a parameter set (payload bits / width, remainder dropped).
constexpr std::uint32_t codesPerPage(unsigned payloadBytes, unsigned payloadBits, unsigned width) {
    return (payloadBytes * 8u + payloadBits) / width;
}

// One of the two parameter sets a RecordingInfo spreads over its fields:
// set 0 describes type-0 pages, set 1 type-1 pages.
struct ParameterSet {
    int rate = 0;
    int width = 0;
    int payloadBytes = 0;
    int payloadBits = 0;
    std::int32_t pageMs = 0;
};

constexpr ParameterSet setOf(const RecordingInfo& info, int pageType) {
    if (pageType == 0) return {info.rate0, info.bits0, info.payloadBytes0, info.payloadBits0, info.pageMs0};
    return {info.rate1, info.bits1, info.payloadBytes1, info.payloadBits1, info.pageMs1};
}

}  // namespace zrc
