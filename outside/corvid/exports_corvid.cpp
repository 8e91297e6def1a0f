// C exports of the wave output. Shims only: the one playback lives in the
// static object below.
#include "corvid.h"
#include "wave_output.h"

namespace {
zrc::corvid::WaveOutput& output() {
    static zrc::corvid::WaveOutput instance;
    return instance;
}
}  // namespace

extern "C" {

CORVID_API int32_t CORVID_CALL WavCreate(void) {
    output().create();
    return 0;
}

CORVID_API int32_t CORVID_CALL WavAddPlayData(void** slot, int32_t length) {
    if (slot != nullptr) output().add(*slot, length);
    return 0;
}

CORVID_API int32_t CORVID_CALL WavNowPlay(void) { return output().nowPlaying(); }

CORVID_API int32_t CORVID_CALL WavStop(void) {
    output().stop();
    return 0;
}

CORVID_API int32_t CORVID_CALL WavDestroy(void) {
    output().destroy();
    return 0;
}

}  // extern "C"
