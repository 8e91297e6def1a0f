// PageCodec's exports, reached through dlopen instead of the link. Orvel
// exports functions of the same names; a test linked against both could not
// tell which one it calls, so a test of Orvel (or of a program built on it)
// links Orvel and compares it with PageCodec loaded here, privately.
#pragma once

#include "pagecodec.h"

namespace zrc::test {

struct LoadedPageCodec {
    decltype(&::play_splpget) play_splpget = nullptr;
    decltype(&::play_1pagerd) play_1pagerd = nullptr;
    decltype(&::pb_splptblmk) pb_splptblmk = nullptr;
    decltype(&::splp_pageno) splp_pageno = nullptr;
    decltype(&::pb_exdata) pb_exdata = nullptr;
    decltype(&::pb_adpcm_dec) pb_adpcm_dec = nullptr;
    decltype(&::SoundSet11k16bit) SoundSet11k16bit = nullptr;
    decltype(&::AdpcmDec1) AdpcmDec1 = nullptr;
};

// Loads the library built beside the tests at the first call and keeps it
// loaded; throws std::runtime_error when it or one of its functions is
// missing.
const LoadedPageCodec& loadedPageCodec();

}  // namespace zrc::test
