// The functions of the wave-output library Corvid, bound by name.
#pragma once

#include <algorithm>
#include <iterator>

#include "binder.h"
#include "corvid.h"

namespace zrc::player {

struct CorvidApi {
    explicit CorvidApi(Binder& binder)
        : WavCreate(binder, kLibrary, "WavCreate"),
          WavAddPlayData(binder, kLibrary, "WavAddPlayData"),
          WavNowPlay(binder, kLibrary, "WavNowPlay"),
          WavStop(binder, kLibrary, "WavStop"),
          WavDestroy(binder, kLibrary, "WavDestroy") {}

    static constexpr const char* kLibrary = "Corvid";

    // Binds every function now; false when one cannot be had (each missing
    // one is reported, not only the first).
    bool bindAll() {
        const bool bound[] = {WavCreate.bind(), WavAddPlayData.bind(), WavNowPlay.bind(), WavStop.bind(),
                              WavDestroy.bind()};
        return std::all_of(std::begin(bound), std::end(bound), [](bool b) { return b; });
    }

    BoundFunction<decltype(::WavCreate)> WavCreate;
    BoundFunction<decltype(::WavAddPlayData)> WavAddPlayData;
    BoundFunction<decltype(::WavNowPlay)> WavNowPlay;
    BoundFunction<decltype(::WavStop)> WavStop;
    BoundFunction<decltype(::WavDestroy)> WavDestroy;
};

}  // namespace zrc::player
