#include "decoder.h"

#include <cstdio>

namespace zrc {

namespace detail {
void reportReconstRange(std::uint32_t code) { std::printf("reconst-error0! %2x\n", code); }
}  // namespace detail

namespace {
template <int Width>
void decodeRun(AdpcmState& s, const std::uint8_t* codes, std::size_t n, std::int16_t* out) {
    for (std::size_t k = 0; k < n; ++k) out[k] = detail::decodeStep<Width>(s, codes[k]);
}
}  // namespace

std::int16_t Decoder::step(std::uint32_t code, bool resetFlag, int width) {
    if (resetFlag) {
        reset();
        return 0;
    }
    switch (width) {
        case 2: return detail::decodeStep<2>(m_state, code);
        case 3: return detail::decodeStep<3>(m_state, code);
        case 4: return detail::decodeStep<4>(m_state, code);
        default: return 0;
    }
}

void Decoder::decode(const std::uint8_t* codes, std::size_t n, int width, std::int16_t* out) {
    switch (width) {
        case 2: decodeRun<2>(m_state, codes, n, out); break;
        case 3: decodeRun<3>(m_state, codes, n, out); break;
        case 4: decodeRun<4>(m_state, codes, n, out); break;
        default: break;
    }
}

}  // namespace zrc
