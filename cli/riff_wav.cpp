#include "riff_wav.h"

#include <cmath>
#include <cstring>
#include <optional>

#include "input_file_source.h"
#include "wave_layout.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace {

std::string hex4(unsigned v) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s = "0x0000";
    for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(5 - i)] = digits[(v >> (4 * i)) & 0xF];
    return s;
}

// Fills in the coding from the walked "fmt " fields; an error text when the
// samples are not ones we can read.
std::optional<std::string> parseFormat(const riff::PcmFormat& format, RiffWav& wav) {
    wav.channels = format.channels;
    wav.sampleRate = format.sampleRate;
    const unsigned blockAlign = format.blockAlign;
    const unsigned containerBits = format.bitsPerSample;
    wav.bitsPerSample = containerBits;
    if (format.unknownSubFormat) return std::string("an extensible format whose sub-format is not plain PCM or float");
    if (format.validBits != 0) wav.bitsPerSample = format.validBits;
    const unsigned tag = format.formatTag;
    wav.formatTag = tag;
    if (wav.channels == 0) return std::string("no channels");
    if (wav.sampleRate == 0) return std::string("a sample rate of 0 Hz");
    // The block alignment says how much room a sample takes; writers that
    // leave it 0 mean the bits rounded up to bytes.
    wav.bytesPerSample = blockAlign != 0 && blockAlign % wav.channels == 0 ? blockAlign / wav.channels
                                                                            : (containerBits + 7) / 8;
    const unsigned room = wav.bytesPerSample;
    if (tag == riff::kFormatPcm) {
        if (wav.bitsPerSample == 0 || room == 0 || room > 4 || wav.bitsPerSample > room * 8) {
            return std::to_string(wav.bitsPerSample) + "-bit integer samples in " + std::to_string(room) +
                   " bytes, which are not supported (8 to 32 bits are)";
        }
        wav.coding = room == 1 ? SampleCoding::UnsignedInt : SampleCoding::SignedInt;
        return std::nullopt;
    }
    if (tag == riff::kFormatFloat) {
        if (!((room == 4 && wav.bitsPerSample == 32) || (room == 8 && wav.bitsPerSample == 64))) {
            return std::to_string(wav.bitsPerSample) + "-bit floating-point samples, which are not supported "
                   "(32 and 64 bits are)";
        }
        wav.coding = SampleCoding::Float;
        return std::nullopt;
    }
    return "format tag " + hex4(tag) + ": neither integer PCM nor floating-point samples";
}

}  // namespace

std::string groupedDigits(std::uint64_t v) {
    std::string s = std::to_string(v);
    for (std::size_t at = s.size(); at > 3; at -= 3) s.insert(at - 3, 1, ',');
    return s;
}

std::string RiffWav::describe() const {
    std::string layout = channels == 1 ? "mono" : channels == 2 ? "stereo" : std::to_string(channels) + "-channel";
    return groupedDigits(sampleRate) + " Hz " + layout + " " + std::to_string(bitsPerSample) + "-bit" +
           (coding == SampleCoding::Float ? " float" : "");
}

RiffWavOrError readRiffWav(InputFile& file) {
    riff::InputFileSource source(file);
    const riff::WaveLayout layout = riff::scanWave(source);
    if (layout.rf64) return std::string("an RF64 file (WAV beyond 4 GB), not supported");
    if (!layout.riffWave) return std::string("not a WAV file");
    // Unlike the players, which look on for a usable "fmt " chunk, a
    // conversion takes the first one for what it says.
    if (layout.shortFormatFirst) return std::string("a \"fmt \" chunk too short to describe the samples");
    if (!layout.format) return std::string("no \"fmt \" chunk");
    RiffWav wav;
    if (auto error = parseFormat(*layout.format, wav)) return *error;
    if (!layout.data) return std::string("no data chunk");
    wav.dataOffset = layout.data->offset;
    wav.dataBytes = layout.data->declaredSize;
    wav.heldBytes = layout.data->size;
    wav.bytesAfterData = layout.data->bytesAfter;
    return wav;
}

void mixToMono(const RiffWav& wav, std::span<const std::uint8_t> bytes, float* out) {
    const std::size_t frames = bytes.size() / wav.frameBytes();
    const unsigned room = wav.bytesPerSample;
    const float perChannel = 1.0f / static_cast<float>(wav.channels);
    const std::uint8_t* p = bytes.data();
    for (std::size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (unsigned c = 0; c < wav.channels; ++c, p += room) {
            switch (wav.coding) {
                case SampleCoding::UnsignedInt: sum += (p[0] - 128) / 128.0; break;
                case SampleCoding::SignedInt: {
                    // The sample fills the top of a 32-bit word, so every
                    // width shares one full scale.
                    std::uint32_t word = 0;
                    for (unsigned b = 0; b < room; ++b) word |= static_cast<std::uint32_t>(p[b]) << (8 * (4 - room + b));
                    sum += static_cast<std::int32_t>(word) / 2147483648.0;
                    break;
                }
                case SampleCoding::Float: {
                    double v = 0;
                    if (room == 4) {
                        float f32;
                        std::uint32_t bits = readLe32(p);
                        std::memcpy(&f32, &bits, 4);
                        v = f32;
                    } else {
                        const std::uint64_t bits = readLe32(p) | (std::uint64_t{readLe32(p + 4)} << 32);
                        std::memcpy(&v, &bits, 8);
                    }
                    if (std::isfinite(v)) sum += v;
                    break;
                }
            }
        }
        out[f] = static_cast<float>(sum) * perChannel;
    }
}

}  // namespace zrc::cli
