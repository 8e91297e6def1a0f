// The G.726 encoder step: one linear sample in, one code out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "adpcm_state.h"
#include "encoder_kernel.h"

namespace zrc {

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
    void setState(const AdpcmState& state) { m_state = state; }

private:
    AdpcmState m_state{};
};

}  // namespace zrc
