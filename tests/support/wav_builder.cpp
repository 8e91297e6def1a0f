#include "wav_builder.h"


namespace zrc::test {

namespace {
void put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void tag(std::vector<std::uint8_t>& out, const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(t[i]));
}
}  // namespace

WavFile WavFile::pcm16(std::uint32_t rate, const std::vector<std::int16_t>& samples) {
    WavFile w;
    w.sampleRate = rate;
    for (std::int16_t s : samples) put(w.data, static_cast<std::uint16_t>(s), 2);
    return w;
}

WavFile WavFile::pcm8(std::uint32_t rate, const std::vector<std::uint8_t>& samples) {
    WavFile w;
    w.sampleRate = rate;
    w.bitsPerSample = 8;
    w.data = samples;
    return w;
}

std::vector<std::uint8_t> WavFile::bytes() const {
    std::vector<std::uint8_t> out;
    const std::uint32_t blockAlign = channels * ((bitsPerSample + 7u) / 8u);
    tag(out, "RIFF");
    put(out, static_cast<std::uint32_t>(36 + data.size()), 4);
    tag(out, "WAVE");
    tag(out, "fmt ");
    put(out, 16, 4);
    put(out, format, 2);
    put(out, channels, 2);
    put(out, sampleRate, 4);
    put(out, sampleRate * blockAlign, 4);
    put(out, blockAlign, 2);
    put(out, bitsPerSample, 2);
    tag(out, "data");
    put(out, static_cast<std::uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<std::int16_t> samplesOf16BitWav(const std::vector<std::uint8_t>& wav) {
    std::vector<std::int16_t> out;
    for (std::size_t k = 44; k + 1 < wav.size(); k += 2) {
        out.push_back(static_cast<std::int16_t>(wav[k] | (wav[k + 1] << 8)));
    }
    return out;
}

}  // namespace zrc::test
