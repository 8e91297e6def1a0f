// Builds WAV files byte by byte for tests: the canonical 44-byte layout,
// every field settable, so that each check can be broken on its own.
#pragma once

#include <cstdint>
#include <vector>

namespace zrc::test {

struct WavFile {
    std::uint32_t sampleRate = 11025;
    std::uint16_t channels = 1;
    std::uint16_t format = 1;           // 1: PCM
    std::uint16_t bitsPerSample = 16;
    std::vector<std::uint8_t> data;     // the data chunk's body

    // 16-bit samples, little-endian.
    static WavFile pcm16(std::uint32_t rate, const std::vector<std::int16_t>& samples);
    // 8-bit unsigned samples.
    static WavFile pcm8(std::uint32_t rate, const std::vector<std::uint8_t>& samples);

    // "RIFF", size, "WAVE", a 16-byte "fmt " chunk, "data", size, samples.
    std::vector<std::uint8_t> bytes() const;
};

// The 16-bit samples of a canonical WAV file (header of 44 bytes).
std::vector<std::int16_t> samplesOf16BitWav(const std::vector<std::uint8_t>& wav);

}  // namespace zrc::test
