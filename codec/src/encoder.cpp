#include "encoder.h"

namespace zrc {

namespace {
template <int Width>
void encodeRun(AdpcmState& s, const std::int16_t* x, std::size_t n, std::uint8_t* codes) {
    for (std::size_t k = 0; k < n; ++k) codes[k] = detail::encodeStep<Width>(s, x[k]);
}
}  // namespace

std::uint8_t Encoder::step(std::int16_t x, bool resetFlag, int width) {
    if (resetFlag) {
        reset();
        return 0;
    }
    switch (width) {
        case 2: return detail::encodeStep<2>(m_state, x);
        case 3: return detail::encodeStep<3>(m_state, x);
        case 4: return detail::encodeStep<4>(m_state, x);
        default: return 0;
    }
}

void Encoder::encode(const std::int16_t* x, std::size_t n, int width, std::uint8_t* codes) {
    switch (width) {
        case 2: encodeRun<2>(m_state, x, n, codes); break;
        case 3: encodeRun<3>(m_state, x, n, codes); break;
        case 4: encodeRun<4>(m_state, x, n, codes); break;
        default: break;
    }
}

}  // namespace zrc
