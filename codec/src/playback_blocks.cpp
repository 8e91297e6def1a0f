#include "playback_blocks.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "page_decode.h"
#include "wav_format.h"

namespace zrc {

namespace {
template <class T>
void* callocCopy(const T* data, std::size_t n) {
    void* block = std::calloc(n, sizeof(T));
    if (block != nullptr) std::memcpy(block, data, n * sizeof(T));
    return block;
}
}  // namespace

std::int32_t makePlaybackBlock(Decoder& decoder, std::int32_t rate, std::int32_t width, std::int32_t count,
                               const std::uint8_t* codes, void** slot) {
    if (slot == nullptr || (codes == nullptr && count > 0)) return 0;
    const auto n = static_cast<std::size_t>(std::max(count, 0));
    if (playbackSampleCount(rate, width, n) == 0) return 0;

    std::array<std::int16_t, kMaxPlaybackSamples> samples;
    const std::size_t got = decodeForPlayback(decoder, rate, width, codes, n, samples.data());
    void* block = callocCopy(samples.data(), got);
    if (block == nullptr) return 0;
    *slot = block;
    return static_cast<std::int32_t>(got);
}

void makeHeaderBlock(std::uint32_t announcedRate, void** slot, std::uint8_t* buffer) {
    const auto block = streamingHeaderBlock(announcedRate);
    if (buffer != nullptr) std::memcpy(buffer, block.data(), block.size());
    if (slot != nullptr) {
        if (void* copy = callocCopy(block.data(), block.size())) *slot = copy;
    }
}

}  // namespace zrc
