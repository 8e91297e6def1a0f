#include "wav_format.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zrc {

namespace {
void put16(std::uint8_t* p, unsigned v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t field32(std::uint64_t v) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, std::numeric_limits<std::uint32_t>::max()));
}
}  // namespace

std::array<std::uint8_t, kWavHeaderSize> wavHeader(PcmFormat format, std::uint64_t dataBytes) {
    std::array<std::uint8_t, kWavHeaderSize> h{};
    const auto align = static_cast<unsigned>(format.bytesPerSample);
    std::memcpy(h.data(), "RIFF", 4);
    put32(h.data() + kWavOuterSizeField, field32(dataBytes + 36));
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(h.data() + 16, 16);
    put16(h.data() + 20, 1);  // PCM
    put16(h.data() + 22, 1);  // mono
    put32(h.data() + 24, format.sampleRate);
    put32(h.data() + 28, format.sampleRate * align);
    put16(h.data() + 32, align);
    put16(h.data() + 34, 8 * align);
    std::memcpy(h.data() + 36, "data", 4);
    put32(h.data() + kWavDataSizeField, field32(dataBytes));
    return h;
}

std::array<std::uint8_t, kHeaderBlockSize> streamingHeaderBlock(std::uint32_t announcedRate) {
    std::array<std::uint8_t, kHeaderBlockSize> block{};
    const auto h = wavHeader({announcedRate, 2}, kStreamingDataSize);
    std::copy(h.begin(), h.end(), block.begin());
    return block;
}

void storePcm(std::span<const std::int16_t> samples, int bytesPerSample, std::uint8_t* out) {
    if (bytesPerSample == 1) {
        for (std::int16_t s : samples) *out++ = pcm8(s);
        return;
    }
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        *out++ = static_cast<std::uint8_t>(u);
        *out++ = static_cast<std::uint8_t>(u >> 8);
    }
}

}  // namespace zrc
