// The G.726 encoder step: one linear sample in, one code out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "adpcm_state.h"

namespace zrc {

// The input scaling in front of the coder: 0.9 times the sample, truncated
// toward zero, then an arithmetic shift by 2 into the coder's 14-bit range.
// Nothing on the decoding side undoes the 0.9.
constexpr std::int32_t attenuated(std::int16_t x) {
    // 9x / 10 in integers truncates toward zero exactly as trunc(0.9 x) does,
    // without the rounding questions of a floating-point 0.9.
    return 9 * static_cast<std::int32_t>(x) / 10;
}

// SL, the 14-bit two's complement signal the coder quantizes.
constexpr g726::u32 scaledInput(std::int16_t x) {
    return static_cast<g726::u32>(attenuated(x) >> 2) & 16383;
}

namespace detail {
template <int Width>
inline std::uint8_t encodeStep(AdpcmState& s, std::int16_t x) {
    const g726::Prediction p = g726::predict(s);
    const g726::u32 d = g726::subta(scaledInput(x), p.se);
    const g726::LogDifference ld = g726::log(d);
    const g726::u32 i = g726::quan(g726::subtb(ld.dl, p.y), ld.ds, Width);
    // The code goes through the decoder's own reconstruction and adaptation,
    // so the two sides cannot drift apart.
    g726::reconstructAndAdapt<Width>(s, i, p);
    return static_cast<std::uint8_t>(i);
}
}  // namespace detail

// Owns one AdpcmState. A new encoder holds all zeros, as the library's own
// instance does when loaded; reset() gives the standard's starting state.
class Encoder {
public:
    void reset() { m_state.reset(); }

    // The encoder step. With resetFlag set it only resets and returns 0.
    // width is 2, 3 or 4; the code is 0 .. 2^width - 1 (0 for other widths,
    // which leave the state alone).
    std::uint8_t step(std::int16_t x, bool resetFlag, int width);

    // Runs the step over n samples at one width, continuing the state, and
    // stores each code in codes[k].
    void encode(const std::int16_t* x, std::size_t n, int width, std::uint8_t* codes);

    const AdpcmState& state() const { return m_state; }

private:
    AdpcmState m_state{};
};

}  // namespace zrc
