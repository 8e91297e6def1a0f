// C exports: recording inspection, page access and code unpacking.
// Shims only: check arguments, call the core, map results to the ABI codes.
#include "export_guard.h"
#include "pagecodec.h"
#include "page_access.h"
#include "unpack.h"

using namespace zrc;

extern "C" {

// Out of memory while reading: reported as the file being unreadable.
PAGECODEC_API RecordingInfo PAGECODEC_CALL play_splpget(const char* fileName) {
    return guarded(filledRecordingInfo(PAGECODEC_INFO_CANNOT_OPEN), [&] {
        InputFile file(fileName);
        if (!file.isOpen()) return filledRecordingInfo(PAGECODEC_INFO_CANNOT_OPEN);
        return inspectRecording(file);
    });
}

PAGECODEC_API int16_t PAGECODEC_CALL play_1pagerd(const char* fileName, int32_t page,
                                                  uint8_t* pageBuffer) {
    return guarded<int16_t>(PAGECODEC_PAGE_CANNOT_OPEN, [&]() -> int16_t {
        InputFile file(fileName);
        if (!file.isOpen() || pageBuffer == nullptr) return PAGECODEC_PAGE_CANNOT_OPEN;
        // A negative index names no page: it reads as past the end, all 0xFF.
        const std::uint64_t index = page < 0 ? UINT32_MAX : static_cast<std::uint64_t>(page);
        const auto type = readPage(file, index, std::span<std::uint8_t, kPageSize>(pageBuffer, kPageSize));
        return type == 1 ? PAGECODEC_PAGE_TYPE_1 : PAGECODEC_PAGE_TYPE_0;
    });
}

PAGECODEC_API int16_t PAGECODEC_CALL pb_splptblmk(const char* fileName, uint8_t* table, uint32_t count) {
    return guarded<int16_t>(PAGECODEC_PAGE_CANNOT_OPEN, [&]() -> int16_t {
        InputFile file(fileName);
        if (!file.isOpen()) return PAGECODEC_PAGE_CANNOT_OPEN;
        if (table != nullptr) readPageTypes(file, std::span(table, count));
        return PAGECODEC_PAGE_TYPE_0;
    });
}

// The three below allocate nothing and cannot throw.
PAGECODEC_API int32_t PAGECODEC_CALL get_time(const uint8_t* table, uint32_t lastIndex, int32_t pageMs0,
                                              int32_t pageMs1) {
    if (table == nullptr) return 0;
    return playingTime(table, lastIndex, pageMs0, pageMs1);
}

PAGECODEC_API int16_t PAGECODEC_CALL splp_pageno(const uint8_t* table, uint32_t counters[2], uint32_t count) {
    if (table == nullptr || counters == nullptr) return 0;
    const auto counts = countPageTypes(std::span(table, count));
    counters[0] = static_cast<uint32_t>(counts[0]);
    counters[1] = static_cast<uint32_t>(counts[1]);
    return 0;
}

PAGECODEC_API int16_t PAGECODEC_CALL pb_exdata(int16_t width, int16_t bytes, int16_t extraBits,
                                               const uint8_t* page, uint8_t* codes) {
    if (page == nullptr || codes == nullptr) return 0;
    return static_cast<int16_t>(unpackCodes(width, bytes, extraBits, page, codes));
}

}  // extern "C"
