#include "voice_wav.h"

#include <algorithm>
#include <cstring>

namespace zrc::orvel {

std::int32_t describeVoiceWav(const riff::WaveLayout& layout, VoiceWav& wave) {
    if (!layout.riffWave) return static_cast<std::int32_t>(WavError::NotRiffWave);
    if (!layout.format) return static_cast<std::int32_t>(WavError::Damaged);
    const riff::PcmFormat& f = *layout.format;
    const bool rateOk = f.sampleRate == 11025 || f.sampleRate == 8000;
    const bool bitsOk = f.bitsPerSample == 8 || f.bitsPerSample == 16;
    if (f.formatTag != riff::kFormatPcm || f.channels != 1 || !rateOk || !bitsOk) {
        return static_cast<std::int32_t>(WavError::NotVoicePcm);
    }
    if (!layout.data) return static_cast<std::int32_t>(WavError::Damaged);
    wave.rateCode = f.sampleRate == 11025 ? 11 : 8;
    wave.bitsPerSample = static_cast<std::uint8_t>(f.bitsPerSample);
    wave.bytesPerSample = static_cast<std::uint8_t>(f.bitsPerSample / 8);
    wave.dataOffset = layout.data->offset;
    wave.dataSize = layout.data->size;
    return 0;
}

std::int32_t reportedDataLength(const VoiceWav& wave) {
    return static_cast<std::int32_t>(std::min<std::uint64_t>(wave.dataSize, kMaxResultBytes));
}

Stretch clipStretch(const VoiceWav& wave, std::int64_t start, std::int64_t length) {
    const std::uint64_t bps = wave.bytesPerSample;
    if (length <= 0 || bps == 0) return {};
    const std::int64_t dataBegin = static_cast<std::int64_t>(wave.dataOffset);
    const std::int64_t dataEnd = dataBegin + static_cast<std::int64_t>(wave.dataSize);
    std::int64_t begin = std::max(start, dataBegin);
    const std::int64_t end = std::min(start + length, dataEnd);
    // A start between two samples moves on to the next one: a 16-bit stream
    // read from an odd byte would be noise.
    const auto skew = static_cast<std::uint64_t>(begin - dataBegin) % bps;
    if (skew != 0) begin += static_cast<std::int64_t>(bps - skew);
    if (begin >= end) return {};
    const std::uint64_t maxSamples = static_cast<std::uint64_t>(kMaxResultBytes) / 2;
    const std::uint64_t samples = std::min(static_cast<std::uint64_t>(end - begin) / bps, maxSamples);
    return {static_cast<std::uint64_t>(begin), samples * bps};
}

std::uint64_t widenedBytes(std::uint64_t bytes, unsigned bytesPerSample) {
    return bytesPerSample == 0 ? 0 : bytes / bytesPerSample * 2;
}

void widenToPcm16(std::span<const std::uint8_t> in, unsigned bytesPerSample, std::span<std::uint8_t> out) {
    if (bytesPerSample == 2) {
        std::memcpy(out.data(), in.data(), std::min(in.size(), out.size()) & ~std::size_t{1});
        return;
    }
    const std::size_t n = std::min(in.size(), out.size() / 2);
    for (std::size_t i = 0; i < n; ++i) {
        // Unsigned 8-bit samples centre on 128.
        const int v = (in[i] - 128) * 256;
        out[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
        out[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
}

}  // namespace zrc::orvel
