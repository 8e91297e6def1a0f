// How encoded pages are laid out: code width, payload bits and what stands
// for samples past the end of the input.
#pragma once

#include <cstdint>
#include <optional>

#include "zrc_format.h"

namespace zrc {

enum class PastEnd {
    Silence,      // missing samples are 0 and run through the encoder step
    AllOnesCode,  // missing samples give the all-ones code; the state stays
};

struct PageLayout {
    int width = 3;                     // bits per code, 2 .. 4
    std::uint32_t payloadBits = 4080;  // a whole number of codes, at most 4,096
    PastEnd pastEnd = PastEnd::Silence;

    constexpr std::uint32_t codesPerPage() const { return payloadBits / static_cast<std::uint32_t>(width); }
    // 2-bit pages are described by the header's second parameter set.
    constexpr std::uint8_t flag() const { return width == 2 ? 1 : 0; }
};

// The recorder's own pages: 1,360 3-bit codes from 11,025 Hz input (the
// trailing 0xFF bytes 510-511 are filler), 2,046 2-bit codes from 8,000 Hz.
inline constexpr PageLayout kLayout11025{3, 4080, PastEnd::AllOnesCode};
inline constexpr PageLayout kLayout8000{2, 4092, PastEnd::Silence};

constexpr std::optional<PageLayout> fixedLayout(std::uint32_t sampleRate) {
    if (sampleRate == 11025) return kLayout11025;
    if (sampleRate == 8000) return kLayout8000;
    return std::nullopt;
}

// A caller-chosen layout, its payload cut to a whole number of codes. None
// for a width other than 2, 3 or 4, more than 4,096 bits, or no room for a
// single code.
constexpr std::optional<PageLayout> freeLayout(std::uint32_t payloadBits, unsigned codeWidth) {
    if (!isCodeWidth(codeWidth) || payloadBits > static_cast<std::uint32_t>(kMaxPayloadBits)) return std::nullopt;
    const std::uint32_t p = codeWidth * (payloadBits / codeWidth);
    if (p == 0) return std::nullopt;
    return PageLayout{static_cast<int>(codeWidth), p, PastEnd::Silence};
}

}  // namespace zrc
