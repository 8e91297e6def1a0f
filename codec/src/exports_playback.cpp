// C exports: page decoding for playback and the stream's header block.
// Shims only: check arguments, call the core, map results to the ABI codes.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "page_decode.h"
#include "pagecodec.h"
#include "wav_format.h"

using namespace zrc;

namespace {
// The library-wide decoder of playback: the C interface has no handle, so
// consecutive pages continue one another through this one instance.
Decoder playbackDecoder;

// The block goes to a caller who releases it with free.
template <class T>
void* callocCopy(const T* data, std::size_t n) {
    void* block = std::calloc(n, sizeof(T));
    if (block != nullptr) std::memcpy(block, data, n * sizeof(T));
    return block;
}
}  // namespace

extern "C" {

PAGECODEC_API int32_t PAGECODEC_CALL pb_adpcm_dec(int32_t rate, int32_t width, int32_t count, const uint8_t* codes,
                                                  void** slot, int32_t mode) {
    if (mode == 1) {
        playbackDecoder.reset();
        return 0;
    }
    if (slot == nullptr || (codes == nullptr && count > 0)) return 0;
    const auto n = static_cast<std::size_t>(std::max(count, 0));
    if (playbackSampleCount(rate, width, n) == 0) return 0;

    std::array<std::int16_t, kMaxPlaybackSamples> samples;
    const std::size_t got = decodeForPlayback(playbackDecoder, rate, width, codes, n, samples.data());
    void* block = callocCopy(samples.data(), got);
    if (block == nullptr) return 0;
    *slot = block;
    return static_cast<int32_t>(got);
}

PAGECODEC_API int32_t PAGECODEC_CALL SoundSet11k16bit(void** slot, int32_t rateSelector, uint8_t* buffer) {
    (void)rateSelector;  // this library's stream always runs at 11,025 Hz
    const auto block = streamingHeaderBlock(kPlaybackRate);
    if (buffer != nullptr) std::memcpy(buffer, block.data(), block.size());
    if (slot != nullptr) {
        if (void* copy = callocCopy(block.data(), block.size())) *slot = copy;
    }
    return 0;
}

}  // extern "C"
