// Sample arithmetic shared by the decoding paths.
#pragma once

#include <cstdint>

namespace zrc {

// Results beyond the 16-bit range clip instead of wrapping: a wrap would turn
// a loud passage into a full-scale click of the opposite sign, and clipping
// gives the same samples whenever nothing overflows.
constexpr std::int16_t saturate16(std::int32_t v) {
    return static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

// Every caller of the decoder step doubles its result before output.
constexpr std::int16_t doubled(std::int16_t x) { return saturate16(2 * static_cast<std::int32_t>(x)); }

}  // namespace zrc
