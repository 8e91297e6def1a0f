// The fields of a WAV file that the encoder side reads: a few fixed offsets
// of the canonical 44-byte header and the first "data" tag anywhere in the
// file. The chunk structure itself is not parsed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "input_file.h"

namespace zrc {

struct WavInput {
    std::uint64_t fileLength = 0;
    bool waveTag = false;               // bytes 8-11 read "WAVE"
    bool pcmFormat = false;             // bytes 20, 21 are 1, 0
    std::uint8_t channels = 0;          // byte 22, the low byte of the channel count
    std::uint32_t sampleRate = 0;       // bytes 24-27
    std::uint8_t bitsPerSample = 0;     // byte 34, the low byte of the field
    std::optional<std::uint64_t> dataTag;  // offset of the first "data"
    std::uint32_t dataSize = 0;         // the four bytes behind that tag

    // The samples start right behind the data tag and its size field.
    std::uint64_t firstSampleOffset() const { return dataTag.value_or(0) + 8; }
    // What the encoders can read: a data tag and 8- or 16-bit samples.
    bool hasSamples() const { return dataTag.has_value() && (bitsPerSample == 8 || bitsPerSample == 16); }
};

// Fills the fixed-offset fields from the first bytes of a file (any length;
// bytes it lacks read as 0xFF, as the recorder's readers see them).
void readHeaderFields(std::span<const std::uint8_t> head, WavInput& input);

// Offset of the first "data" within bytes, searching from the start.
std::optional<std::size_t> findDataTag(std::span<const std::uint8_t> bytes);

// Reads every field from an opened file. The search for the data tag reads
// the file in large blocks and stops at its end; size bytes that the file
// lacks count as 0.
WavInput readWavInput(InputFile& file);

}  // namespace zrc
