// PCM WAV: the canonical 44-byte header and the sample encodings we write.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zrc {

inline constexpr std::size_t kWavHeaderSize = 44;
inline constexpr std::size_t kHeaderBlockSize = 100;
inline constexpr std::uint32_t kPlaybackRate = 11025;
inline constexpr std::uint32_t kStreamingDataSize = 528000000;

// Offsets of the two size fields that grow with the data.
inline constexpr std::size_t kWavOuterSizeField = 4;
inline constexpr std::size_t kWavDataSizeField = 40;

struct PcmFormat {
    std::uint32_t sampleRate = kPlaybackRate;
    int bytesPerSample = 2;  // 1: 8-bit unsigned, 2: 16-bit signed
};

// Mono PCM header announcing dataBytes of samples. Sizes that do not fit
// the 32-bit fields are held at the largest value they can carry.
std::array<std::uint8_t, kWavHeaderSize> wavHeader(PcmFormat format, std::uint64_t dataBytes);

// The block that opens a playback stream: a 16-bit header announcing
// announcedRate and a fixed, recording-independent data size, then zeros.
std::array<std::uint8_t, kHeaderBlockSize> streamingHeaderBlock(std::uint32_t announcedRate);

// 8-bit WAV samples are unsigned around 128; the division truncates toward
// zero, so -1 becomes 128 and -256 becomes 127.
constexpr std::uint8_t pcm8(std::int16_t s) { return static_cast<std::uint8_t>(s / 256 + 128); }

// Stores samples little-endian in the format's width; out holds
// samples.size() * bytesPerSample bytes.
void storePcm(std::span<const std::int16_t> samples, int bytesPerSample, std::uint8_t* out);

}  // namespace zrc
