// The G.726 decoder step: one code in, one linear sample out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "adpcm_state.h"

namespace zrc {

// Owns one AdpcmState. A new decoder holds all zeros, as the library's own
// instance does when loaded; reset() gives the standard's starting state.
class Decoder {
public:
    void reset() { m_state.reset(); }

    // The decoder step. With resetFlag set it only resets and returns 0.
    // Only the low 4 bits of code count; width is 2, 3 or 4 (any other
    // width decodes nothing and returns 0).
    std::int16_t step(std::uint32_t code, bool resetFlag, int width);

    // Runs the step over n codes at one width, continuing the state, and
    // stores each step result in out[k].
    void decode(const std::uint8_t* codes, std::size_t n, int width, std::int16_t* out);

    const AdpcmState& state() const { return m_state; }
    void setState(const AdpcmState& state) { m_state = state; }

private:
    AdpcmState m_state{};
};

}  // namespace zrc
