#include "stream_format.h"

#include "wave_layout.h"

namespace zrc::corvid {

namespace {
// Far beyond any recorder, low enough that buffer sizes stay sane.
constexpr std::uint32_t kMaxRate = 384000;
constexpr std::uint16_t kMaxChannels = 8;
}  // namespace

std::optional<StreamFormat> streamFormatOf(std::span<const std::uint8_t> header) {
    riff::SpanSource source(header);
    const riff::WaveLayout layout = riff::scanWave(source);
    if (!layout.riffWave || !layout.format) return std::nullopt;
    const riff::PcmFormat& f = *layout.format;
    if (f.formatTag != riff::kFormatPcm) return std::nullopt;
    if (f.sampleRate == 0 || f.sampleRate > kMaxRate) return std::nullopt;
    if (f.channels == 0 || f.channels > kMaxChannels) return std::nullopt;
    // SDL has no 24-bit samples.
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 32) return std::nullopt;
    return StreamFormat{f.sampleRate, f.channels, f.bitsPerSample};
}

}  // namespace zrc::corvid
