// The G.726 decoder step: one code in, one linear sample out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "adpcm_state.h"
#include "sample_math.h"

namespace zrc {

namespace detail {
// The range check of RECONST: a code beyond the width's range is reported on
// standard output. Kept out of line, since it never happens on valid input.
[[gnu::cold]] void reportReconstRange(std::uint32_t code);

template <int Width>
inline std::int16_t decodeStep(AdpcmState& s, std::uint32_t code) {
    constexpr g726::u32 mask = (1u << Width) - 1;
    g726::u32 i = code & 15;
    if (i > mask) [[unlikely]] {
        reportReconstRange(i);
        i &= mask;  // defined, never an out-of-range table read
    }
    const g726::Prediction p = g726::predict(s);
    const g726::u32 sr = g726::reconstructAndAdapt<Width>(s, i, p);
    return saturate16(static_cast<std::int16_t>(sr) * 4);
}
}  // namespace detail

// Owns one AdpcmState. A new decoder holds all zeros, as the library's own
// instance does when loaded; reset() gives the standard's starting state.
class Decoder {
public:
    void reset() { m_state.reset(); }

    // The decoder step. With resetFlag set it only resets and returns 0.
    // Only the low 4 bits of code count; width is 2, 3 or 4.
    std::int16_t step(std::uint32_t code, bool resetFlag, int width);

    // Runs the step over n codes at one width, continuing the state, and
    // stores each step result in out[k].
    void decode(const std::uint8_t* codes, std::size_t n, int width, std::int16_t* out);

    const AdpcmState& state() const { return m_state; }

private:
    AdpcmState m_state{};
};

}  // namespace zrc
