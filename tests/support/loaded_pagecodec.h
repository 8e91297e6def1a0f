// PageCodec's exports through dlopen, for tests that link Orvel, which exports
// the same names: linked against both, a test could not tell which it calls.
#pragma once

#include "pagecodec.h"

namespace zrc::test {

struct LoadedPageCodec {
    decltype(&::play_splpget) play_splpget = nullptr;
    decltype(&::play_1pagerd) play_1pagerd = nullptr;
    decltype(&::pb_exdata) pb_exdata = nullptr;
    decltype(&::pb_adpcm_dec) pb_adpcm_dec = nullptr;
    decltype(&::SoundSet11k16bit) SoundSet11k16bit = nullptr;
    decltype(&::AdpcmDec1) AdpcmDec1 = nullptr;
};

// Loaded at the first call; throws std::runtime_error if anything is missing.
const LoadedPageCodec& loadedPageCodec();

}  // namespace zrc::test
