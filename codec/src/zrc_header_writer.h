// The 92-byte header of a recording made from a WAV file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

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
// 1 with set 1 for width 2, else mode 0 with set 0, that set describing the
// pages (the width, the payload cut to whole codes, rate code 11 or 8 for
// 11,025 or 8,000 Hz input); the other set keeps the recorder's values.
// None for no data tag, 0 bits per sample, width 0 or sample rate 0.
std::optional<ZrcHeader> freeLayoutHeader(const WavInput& input, std::uint32_t zrcSize, unsigned payloadBytes,
                                          unsigned payloadExtraBits, unsigned codeWidth);

}  // namespace zrc
