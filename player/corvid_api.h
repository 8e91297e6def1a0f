// The functions of the wave-output library Corvid, bound by name.
#pragma once

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

    BoundFunction<decltype(::WavCreate)> WavCreate;
    BoundFunction<decltype(::WavAddPlayData)> WavAddPlayData;
    BoundFunction<decltype(::WavNowPlay)> WavNowPlay;
    BoundFunction<decltype(::WavStop)> WavStop;
    BoundFunction<decltype(::WavDestroy)> WavDestroy;
};

}  // namespace zrc::player
