// The functions of the companion decoder library Orvel, bound by name.
#pragma once

#include <algorithm>
#include <iterator>

#include "binder.h"

// Orvel exports two names that PageCodec exports as well. The player binds
// both by name and never links either, so Orvel's declarations are taken
// under private names: the two headers can then meet in one translation
// unit even where their declarations of a shared name differ.
#define SoundSet11k16bit orvelDeclaration_SoundSet11k16bit
#define pb_adpcm_dec orvelDeclaration_pb_adpcm_dec
#include "orvel.h"
#undef SoundSet11k16bit
#undef pb_adpcm_dec

namespace zrc::player {

struct OrvelApi {
    explicit OrvelApi(Binder& binder)
        : SoundSet11k16bit(binder, kLibrary, "SoundSet11k16bit"),
          pb_adpcm_dec(binder, kLibrary, "pb_adpcm_dec"),
          WavPlx(binder, kLibrary, "WavPlx"),
          GetWavType(binder, kLibrary, "GetWavType"),
          PcmWavPlay(binder, kLibrary, "PcmWavPlay"),
          AdpcmDecHeader(binder, kLibrary, "AdpcmDecHeader"),
          AdpcmDecx(binder, kLibrary, "AdpcmDecx") {}

    static constexpr const char* kLibrary = "Orvel";

    // Binds every function now; false when one cannot be had (each missing
    // one is reported, not only the first).
    bool bindAll() {
        const bool bound[] = {SoundSet11k16bit.bind(), pb_adpcm_dec.bind(), WavPlx.bind(), GetWavType.bind(),
                              PcmWavPlay.bind(), AdpcmDecHeader.bind(), AdpcmDecx.bind()};
        return std::all_of(std::begin(bound), std::end(bound), [](bool b) { return b; });
    }

    BoundFunction<decltype(::orvelDeclaration_SoundSet11k16bit)> SoundSet11k16bit;
    BoundFunction<decltype(::orvelDeclaration_pb_adpcm_dec)> pb_adpcm_dec;
    BoundFunction<decltype(::WavPlx)> WavPlx;
    BoundFunction<decltype(::GetWavType)> GetWavType;
    BoundFunction<decltype(::PcmWavPlay)> PcmWavPlay;
    BoundFunction<decltype(::AdpcmDecHeader)> AdpcmDecHeader;
    BoundFunction<decltype(::AdpcmDecx)> AdpcmDecx;
};

}  // namespace zrc::player
