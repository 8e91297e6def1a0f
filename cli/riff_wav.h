// A WAV file read the way its format defines it: RIFF chunks walked one by
// one, the "fmt " chunk taken for what it says. The codec's checks read fixed
// offsets instead; this reading serves the conversion of files they refuse.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "input_file.h"

namespace zrc::cli {

enum class SampleCoding {
    UnsignedInt,  // 8-bit PCM, around 128
    SignedInt,    // 9- to 32-bit PCM in 2 to 4 bytes, left-justified
    Float,        // IEEE float, 32 or 64 bits
};

struct RiffWav {
    SampleCoding coding = SampleCoding::SignedInt;
    unsigned formatTag = 1;       // 1 or 3, also when the file says "extensible"
    unsigned channels = 1;
    std::uint32_t sampleRate = 0;
    unsigned bitsPerSample = 16;  // the valid bits the file declares
    unsigned bytesPerSample = 2;  // the room each sample takes
    std::uint64_t dataOffset = 0;  // first byte of the data chunk's body
    std::uint64_t dataBytes = 0;   // what the data chunk announces
    std::uint64_t heldBytes = 0;   // of those, what the file holds
    std::uint64_t bytesAfterData = 0;  // past the data chunk and its pad byte

    unsigned frameBytes() const { return channels * bytesPerSample; }
    std::uint64_t frames() const { return heldBytes / frameBytes(); }
    // "44,100 Hz stereo 24-bit", "8,000 Hz mono 32-bit float"
    std::string describe() const;
};

// The file's format and where its samples lie, or why it cannot be read as
// one: not RIFF/WAVE, no "fmt " or data chunk, a coding other than integer
// PCM (8 to 32 bits) or float (32 or 64 bits), no channels, rate 0.
using RiffWavOrError = std::variant<RiffWav, std::string>;
RiffWavOrError readRiffWav(InputFile& file);

// Mixes whole frames (bytes.size() / wav.frameBytes() of them) to one
// channel, the mean of the channels, full scale at 1.0; writes one value per
// frame to out. NaN and infinities count as silence.
void mixToMono(const RiffWav& wav, std::span<const std::uint8_t> bytes, float* out);

// 44100 -> "44,100"
std::string groupedDigits(std::uint64_t v);

}  // namespace zrc::cli
