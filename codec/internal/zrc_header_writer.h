// The 92-byte header of a recording made from a WAV file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "page_layout.h"
#include "wav_input.h"
#include "zrc_format.h"

namespace zrc {

using ZrcHeader = std::array<std::uint8_t, kHeaderSize>;

// zrcSize is the size the matching check predicted: the header's sizes and
// page count come from it, its length in seconds from the WAV fields.

// Type-0 pages (mode 0) for 11,025 Hz input, type-1 pages (mode 1) for
// 8,000 Hz. None for an input the length cannot be worked out for: no data
// tag, 0 bits per sample, or another rate.
std::optional<ZrcHeader> fixedLayoutHeader(const WavInput& input, std::uint32_t zrcSize);

// For codeWidth-bit pages of payloadBytes x 8 + payloadExtraBits bits: mode
// 1 for width 2, else mode 0 with set 0 of width 4 or 3. The parameter sets
// keep the recorder's payload sizes and rate codes; the payload enters only
// the length. None for a layout the encoder refuses (width not 2-4, more
// than 4,096 bits, no whole code), no data tag, 0 bits per sample or sample
// rate 0.
std::optional<ZrcHeader> freeLayoutHeader(const WavInput& input, std::uint32_t zrcSize, unsigned payloadBytes,
                                          unsigned payloadExtraBits, unsigned codeWidth);

// The pages of a chosen code width that every reader of recordings plays
// alike (the page road of playback, whole-file decoding, the companion
// decoder's conversion) once the header describes them: 2-bit pages of
// 2,048 codes from 8,000 Hz input, 3-bit pages of 1,360 codes from 11,025
// Hz, 4-bit pages of 1,024 codes from either. None for any other pair.
std::optional<PageLayout> sharedLayout(unsigned codeWidth, std::uint32_t sampleRate);

// freeLayoutHeader's header for the sharedLayout pages of codeWidth, with
// the parameter set they use describing them as they are: the width, the
// payload and the rate code of the input (11 or 8). None where sharedLayout
// has none, or freeLayoutHeader none.
std::optional<ZrcHeader> sharedLayoutHeader(const WavInput& input, std::uint32_t zrcSize, unsigned codeWidth);

}  // namespace zrc
