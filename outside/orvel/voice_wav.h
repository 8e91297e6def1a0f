// Plain PCM WAV files of the recorder's two voice formats (mono, 11,025 or
// 8,000 Hz, 8 or 16 bits): what one holds, and the stretches of its sample
// data that playback asks for.
#pragma once

#include <cstdint>
#include <span>

#include "wave_layout.h"

namespace zrc::orvel {

// The ABI's result codes; their values are fixed.
enum class WavError : std::int32_t {
    CannotOpen = -1,
    NotRiffWave = -10,
    NotVoicePcm = -20,  // also: the caller's sample size is not the file's
    Damaged = -30,      // no "fmt " or no "data" chunk
    DataTooFar = -40,   // the data starts beyond what one byte can describe
};

struct VoiceWav {
    std::uint8_t rateCode = 0;        // 11 or 8
    std::uint8_t bitsPerSample = 0;   // 8 or 16
    std::uint8_t bytesPerSample = 0;  // 1 or 2
    std::uint64_t dataOffset = 0;
    std::uint64_t dataSize = 0;       // bytes present in the file
};

// 0 and the description in wave, or a negative WavError.
std::int32_t describeVoiceWav(const riff::WaveLayout& layout, VoiceWav& wave);

// Lengths cross the ABI as 32-bit results; a longer stretch reports this.
inline constexpr std::int64_t kMaxResultBytes = 0x7FFFFFFE;

std::int32_t reportedDataLength(const VoiceWav& wave);

// A run of whole samples of the data chunk, as file offset and byte count.
struct Stretch {
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
};

// The part of [start, start + length) that lies in the data chunk, begun on
// the data's sample grid, cut to whole samples and short enough that its
// 16-bit block fits a 32-bit result.
Stretch clipStretch(const VoiceWav& wave, std::int64_t start, std::int64_t length);

// Bytes of the 16-bit block made from bytes of samples of this size.
std::uint64_t widenedBytes(std::uint64_t bytes, unsigned bytesPerSample);

// Little-endian 16-bit samples from little-endian 16-bit or unsigned 8-bit
// ones; out holds widenedBytes(in.size()) bytes.
void widenToPcm16(std::span<const std::uint8_t> in, unsigned bytesPerSample, std::span<std::uint8_t> out);

}  // namespace zrc::orvel
