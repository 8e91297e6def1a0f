// PageCodec's exports, reached through dlopen instead of the link. Orvel
// exports functions of the same names; a test linked against both could not
// tell which one it calls, so a test of Orvel (or of a program built on it)
// links Orvel and compares it with PageCodec loaded here, privately.
#pragma once

#include <cstdint>

#include "pagecodec.h"

namespace zrc::test {

struct LoadedPageCodec {
    RecordingInfo (*play_splpget)(const char*) = nullptr;
    std::int16_t (*play_1pagerd)(const char*, std::int32_t, std::uint8_t*) = nullptr;
    std::int16_t (*pb_splptblmk)(const char*, std::uint8_t*, std::uint32_t) = nullptr;
    std::int16_t (*splp_pageno)(const std::uint8_t*, std::uint32_t*, std::uint32_t) = nullptr;
    std::int16_t (*pb_exdata)(std::int16_t, std::int16_t, std::int16_t, const std::uint8_t*, std::uint8_t*) = nullptr;
    std::int32_t (*pb_adpcm_dec)(std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, void**,
                                 std::int32_t) = nullptr;
    std::int32_t (*SoundSet11k16bit)(void**, std::int32_t, std::uint8_t*) = nullptr;
    std::int32_t (*AdpcmDec1)(const char*, const char*, std::int32_t, std::int32_t, std::int32_t, std::uint8_t*,
                              std::int32_t) = nullptr;
};

// Loads the library built beside the tests at the first call and keeps it
// loaded; throws std::runtime_error when it or one of its functions is
// missing.
const LoadedPageCodec& loadedPageCodec();

}  // namespace zrc::test
