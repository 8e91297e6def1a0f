#include "zrc_format.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zrc {

static_assert(sizeof(RecordingInfo) == 40);
static_assert(offsetof(RecordingInfo, rate0) == 0);
static_assert(offsetof(RecordingInfo, rate1) == 2);
static_assert(offsetof(RecordingInfo, bits0) == 4);
static_assert(offsetof(RecordingInfo, bits1) == 6);
static_assert(offsetof(RecordingInfo, payloadBytes0) == 8);
static_assert(offsetof(RecordingInfo, payloadBytes1) == 10);
static_assert(offsetof(RecordingInfo, payloadBits0) == 12);
static_assert(offsetof(RecordingInfo, payloadBits1) == 14);
static_assert(offsetof(RecordingInfo, pageCount) == 16);
static_assert(offsetof(RecordingInfo, seconds0) == 20);
static_assert(offsetof(RecordingInfo, seconds1) == 22);
static_assert(offsetof(RecordingInfo, storedPages0) == 24);
static_assert(offsetof(RecordingInfo, storedPages1) == 28);
static_assert(offsetof(RecordingInfo, pageMs0) == 32);
static_assert(offsetof(RecordingInfo, pageMs1) == 36);

namespace {
bool tagAt(std::span<const std::uint8_t> h, std::size_t offset, const char (&tag)[5]) {
    return h.size() >= offset + 4 && std::memcmp(h.data() + offset, tag, 4) == 0;
}

std::int32_t pageMilliseconds(unsigned payloadBytes, unsigned payloadBits, unsigned width, unsigned rate) {
    const auto codes = codesPerPage(payloadBytes, payloadBits, width);
    return static_cast<std::int32_t>(static_cast<double>(codes) / rate);
}
}  // namespace

bool isConformingHeader(std::span<const std::uint8_t> h, std::uint64_t fileLength) {
    if (!tagAt(h, 0, "QIFF")) return false;
    if (!tagAt(h, 8, "WAVE") || !tagAt(h, 12, "fmt ")) return false;
    if (h.size() < kHeaderSize) return false;
    if (h[header::kMode] > 2) return false;
    if (!isRateCode(h[header::kSet0]) || !isCodeWidth(h[header::kSet0 + 1])) return false;
    if (!isRateCode(h[header::kSet1]) || !isCodeWidth(h[header::kSet1 + 1])) return false;
    if (!tagAt(h, header::kDataTag, "data")) return false;
    return fileLength >= kHeaderSize && readLe16(h.data() + header::kPageSizeField) != 0;
}

RecordingInfo recordingInfoFromHeader(std::span<const std::uint8_t, kHeaderSize> h,
                                      std::uint64_t fileLength) {
    const std::uint8_t* s0 = h.data() + header::kSet0;
    const std::uint8_t* s1 = h.data() + header::kSet1;
    RecordingInfo info{};
    info.rate0 = s0[0];
    info.rate1 = s1[0];
    info.bits0 = s0[1];
    info.bits1 = s1[1];
    info.payloadBytes0 = readLe16(s0 + 2);
    info.payloadBytes1 = readLe16(s1 + 2);
    info.payloadBits0 = s0[4];
    info.payloadBits1 = s1[4];
    const std::uint64_t pages = (fileLength - kHeaderSize) / readLe16(h.data() + header::kPageSizeField);
    info.pageCount = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(pages, std::numeric_limits<std::uint32_t>::max()));
    info.seconds0 = readLe16(h.data() + header::kSeconds0);
    info.seconds1 = readLe16(h.data() + header::kSeconds1);
    info.storedPages0 = readLe32(h.data() + header::kStoredPages0);
    info.storedPages1 = readLe32(h.data() + header::kStoredPages1);
    info.pageMs0 = pageMilliseconds(info.payloadBytes0, info.payloadBits0, info.bits0, info.rate0);
    info.pageMs1 = pageMilliseconds(info.payloadBytes1, info.payloadBits1, info.bits1, info.rate1);
    return info;
}

RecordingInfo filledRecordingInfo(std::uint16_t v) {
    RecordingInfo info{};
    info.rate0 = info.rate1 = info.bits0 = info.bits1 = v;
    info.payloadBytes0 = info.payloadBytes1 = info.payloadBits0 = info.payloadBits1 = v;
    info.pageCount = v;
    info.seconds0 = info.seconds1 = v;
    info.storedPages0 = info.storedPages1 = v;
    info.pageMs0 = info.pageMs1 = v;
    return info;
}

}  // namespace zrc
