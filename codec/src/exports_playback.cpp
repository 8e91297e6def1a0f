// C exports: page decoding for playback and the stream's header block.
// Shims only: check arguments, call the core, map results to the ABI codes.
#include "export_guard.h"
#include "pagecodec.h"
#include "playback_blocks.h"
#include "wav_format.h"

using namespace zrc;

namespace {
// The library-wide decoder of playback: the C interface has no handle, so
// consecutive pages continue one another through this one instance.
Decoder playbackDecoder;
}  // namespace

extern "C" {

PAGECODEC_API int32_t PAGECODEC_CALL pb_adpcm_dec(int32_t rate, int32_t width, int32_t count, const uint8_t* codes,
                                                  void** slot, int32_t mode) {
    if (mode == 1) {
        playbackDecoder.reset();
        return 0;
    }
    // No block without memory for it: nothing decoded, *slot as it was.
    return guarded<int32_t>(0, [&] { return makePlaybackBlock(playbackDecoder, rate, width, count, codes, slot); });
}

PAGECODEC_API int32_t PAGECODEC_CALL SoundSet11k16bit(void** slot, int32_t rateSelector, uint8_t* buffer) {
    (void)rateSelector;  // this library's stream always runs at 11,025 Hz
    makeHeaderBlock(kPlaybackRate, slot, buffer);
    return 0;
}

}  // extern "C"
