#include "riff_wav.h"

#include <array>
#include <cmath>
#include <cstring>
#include <optional>

#include "zrc_format.h"

namespace zrc::cli {

namespace {

constexpr std::uint64_t kRiffHeaderBytes = 12;
constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr unsigned kFormatPcm = 1;
constexpr unsigned kFormatFloat = 3;
constexpr unsigned kFormatExtensible = 0xFFFE;
// The GUID of an extensible format is the plain format tag followed by
// these fourteen bytes.
constexpr std::array<std::uint8_t, 14> kGuidTail{0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct ChunkHead {
    std::array<char, 4> id{};
    std::uint32_t size = 0;
    bool is(const char* name) const { return std::memcmp(id.data(), name, 4) == 0; }
};

std::string hex4(unsigned v) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s = "0x0000";
    for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(5 - i)] = digits[(v >> (4 * i)) & 0xF];
    return s;
}

// Fills in the coding from the "fmt " chunk's body; an error text when the
// samples are not ones we can read.
std::optional<std::string> parseFormat(std::span<const std::uint8_t> body, RiffWav& wav) {
    if (body.size() < 16) return "a \"fmt \" chunk too short to describe the samples";
    unsigned tag = readLe16(body.data());
    wav.channels = readLe16(body.data() + 2);
    wav.sampleRate = readLe32(body.data() + 4);
    const unsigned blockAlign = readLe16(body.data() + 12);
    const unsigned containerBits = readLe16(body.data() + 14);
    wav.bitsPerSample = containerBits;
    if (tag == kFormatExtensible) {
        if (body.size() < 40 || !std::equal(kGuidTail.begin(), kGuidTail.end(), body.begin() + 26)) {
            return std::string("an extensible format whose sub-format is not plain PCM or float");
        }
        tag = readLe16(body.data() + 24);
        if (const unsigned valid = readLe16(body.data() + 18); valid != 0) wav.bitsPerSample = valid;
    }
    wav.formatTag = tag;
    if (wav.channels == 0) return std::string("no channels");
    if (wav.sampleRate == 0) return std::string("a sample rate of 0 Hz");
    // The block alignment says how much room a sample takes; writers that
    // leave it 0 mean the bits rounded up to bytes.
    wav.bytesPerSample = blockAlign != 0 && blockAlign % wav.channels == 0 ? blockAlign / wav.channels
                                                                            : (containerBits + 7) / 8;
    const unsigned room = wav.bytesPerSample;
    if (tag == kFormatPcm) {
        if (wav.bitsPerSample == 0 || room == 0 || room > 4 || wav.bitsPerSample > room * 8) {
            return std::to_string(wav.bitsPerSample) + "-bit integer samples in " + std::to_string(room) +
                   " bytes, which are not supported (8 to 32 bits are)";
        }
        wav.coding = room == 1 ? SampleCoding::UnsignedInt : SampleCoding::SignedInt;
        return std::nullopt;
    }
    if (tag == kFormatFloat) {
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
    const std::uint64_t length = file.size();
    std::array<std::uint8_t, kRiffHeaderBytes> riff{};
    if (file.readAt(0, riff) < riff.size()) return std::string("not a WAV file");
    if (std::memcmp(riff.data(), "RF64", 4) == 0) return std::string("an RF64 file (WAV beyond 4 GB), not supported");
    if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
        return std::string("not a WAV file");
    }

    RiffWav wav;
    bool haveFormat = false;
    bool haveData = false;
    std::uint64_t dataEnd = 0;
    // Each chunk is its 8-byte head, its body and a pad byte when the body
    // is odd. A size running past the file ends the walk: a streaming writer
    // that never came back to fill it in leaves such a data chunk last.
    for (std::uint64_t at = kRiffHeaderBytes; at + kChunkHeaderBytes <= length && !(haveFormat && haveData);) {
        std::array<std::uint8_t, kChunkHeaderBytes> head{};
        file.readAt(at, head);
        ChunkHead chunk;
        std::memcpy(chunk.id.data(), head.data(), 4);
        chunk.size = readLe32(head.data() + 4);
        const std::uint64_t body = at + kChunkHeaderBytes;
        if (chunk.is("fmt ") && !haveFormat) {
            std::array<std::uint8_t, 40> fmt{};
            const std::size_t got = file.readAt(body, std::span(fmt.data(), std::min<std::size_t>(fmt.size(), chunk.size)));
            if (auto error = parseFormat(std::span(fmt.data(), got), wav)) return *error;
            haveFormat = true;
        } else if (chunk.is("data") && !haveData) {
            wav.dataOffset = body;
            wav.dataBytes = chunk.size;
            wav.heldBytes = std::min<std::uint64_t>(chunk.size, length - body);
            dataEnd = body + chunk.size + (chunk.size & 1);
            haveData = true;
        }
        at = body + chunk.size + (chunk.size & 1);
    }
    if (!haveFormat) return std::string("no \"fmt \" chunk");
    if (!haveData) return std::string("no data chunk");
    wav.bytesAfterData = length > dataEnd ? length - dataEnd : 0;
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
