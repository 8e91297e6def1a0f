// WAV files for tests, chunk by chunk: odd layouts are as easy as the canonical one.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zrc::test {

class WavBuilder {
public:
    // A 16-byte "fmt " chunk; the block align is taken from whole bytes.
    WavBuilder& format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
    // WAVE_FORMAT_EXTENSIBLE around subTag: samples of containerBits holding validBits.
    WavBuilder& extensible(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate,
                           std::uint16_t containerBits, std::uint16_t validBits);
    // Any chunk; an odd body gets its pad byte.
    WavBuilder& chunk(const std::string& id, const std::vector<std::uint8_t>& body);
    // A "data" chunk whose header may claim another size than it holds.
    WavBuilder& data(const std::vector<std::uint8_t>& samples, std::optional<std::uint32_t> declared = {});
    WavBuilder& data16(const std::vector<std::int16_t>& samples);
    WavBuilder& tags(const std::string& riff, const std::string& wave) { m_riff = riff; m_wave = wave; return *this; }
    std::vector<std::uint8_t> bytes() const;

private:
    std::string m_riff = "RIFF", m_wave = "WAVE";
    std::vector<std::uint8_t> m_chunks;
};

// The canonical 44-byte layout, every field settable to break each check of a reader alone.
struct WavFile {
    std::uint32_t sampleRate = 11025;
    std::uint16_t channels = 1, format = 1 /* PCM */, bitsPerSample = 16;
    std::vector<std::uint8_t> data;

    static WavFile pcm16(std::uint32_t rate, const std::vector<std::int16_t>& samples);
    static WavFile pcm8(std::uint32_t rate, const std::vector<std::uint8_t>& samples) { return {rate, 1, 1, 8, samples}; }
    std::vector<std::uint8_t> bytes() const {
        return WavBuilder().format(format, channels, sampleRate, bitsPerSample).data(data).bytes();
    }
};

// The 16-bit samples of a canonical WAV file (header of 44 bytes).
std::vector<std::int16_t> samplesOf16BitWav(const std::vector<std::uint8_t>& wav);

// A canonical PCM header whose sizes are those of the file it heads, whose rates and alignment agree, at the rate
// and sample size given.
::testing::AssertionResult wavHeaderTrue(const std::vector<std::uint8_t>& wav, std::uint32_t rate, int bits);

}  // namespace zrc::test
