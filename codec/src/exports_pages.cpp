// C exports: recording inspection, page access and code unpacking.
// Shims only: check arguments, call the core, map results to the ABI codes.
#include "pagecodec.h"
#include "page_access.h"
#include "unpack.h"

using namespace zrc;

extern "C" {

PAGECODEC_API RecordingInfo PAGECODEC_CALL play_splpget(const char* fileName) {
    InputFile file(fileName);
    if (!file.isOpen()) return filledRecordingInfo(kCannotOpen);
    return inspectRecording(file);
}

PAGECODEC_API int16_t PAGECODEC_CALL play_1pagerd(const char* fileName, int32_t page,
                                                  uint8_t* pageBuffer) {
    InputFile file(fileName);
    if (!file.isOpen() || pageBuffer == nullptr) return 1;
    // A negative index names no page: it reads as past the end, all 0xFF.
    const std::uint64_t index = page < 0 ? UINT32_MAX : static_cast<std::uint64_t>(page);
    return readPage(file, index, std::span<std::uint8_t, kPageSize>(pageBuffer, kPageSize)) == 1 ? 5 : 0;
}

PAGECODEC_API int16_t PAGECODEC_CALL pb_splptblmk(const char* fileName, uint8_t* table, uint32_t count) {
    InputFile file(fileName);
    if (!file.isOpen()) return 1;
    if (table != nullptr) readPageTypes(file, std::span(table, count));
    return 0;
}

PAGECODEC_API int32_t PAGECODEC_CALL get_time(const uint8_t* table, uint32_t lastIndex, int32_t pageMs0,
                                              int32_t pageMs1) {
    if (table == nullptr) return 0;
    return playingTime(table, lastIndex, pageMs0, pageMs1);
}

PAGECODEC_API int16_t PAGECODEC_CALL splp_pageno(const uint8_t* table, uint32_t counters[2], uint32_t count) {
    if (table == nullptr || counters == nullptr) return 0;
    uint32_t type0 = 0;
    uint32_t type1 = 0;
    for (uint32_t i = 0; i < count; ++i) {
        type0 += table[i] == 0 ? 1u : 0u;
        type1 += table[i] == 1 ? 1u : 0u;
    }
    counters[0] = type0;
    counters[1] = type1;
    return 0;
}

PAGECODEC_API int16_t PAGECODEC_CALL pb_exdata(int16_t width, int16_t bytes, int16_t extraBits,
                                               const uint8_t* page, uint8_t* codes) {
    if (page == nullptr || codes == nullptr) return 0;
    return static_cast<int16_t>(unpackCodes(width, bytes, extraBits, page, codes));
}

}  // extern "C"
