#include "decoder.h"

#include <cstdio>

#include "decoder_run.h"

namespace zrc {

namespace detail {
void reportReconstRange(std::uint32_t code) { std::printf("reconst-error0! %2x\n", code); }
}  // namespace detail

namespace {
template <int Width>
void decodeAny(AdpcmState& s, const std::uint8_t* codes, std::size_t n, std::int16_t* out) {
#if ZRC_HAVE_AVX2_KERNELS && !ZRC_ISA_AVX2
    if (simd::avx2Enabled()) {
        avx2::decodeRun<Width>(s, codes, n, out);
        return;
    }
#endif
    decodeRun<Width>(s, codes, n, out);
}
}  // namespace

std::int16_t Decoder::step(std::uint32_t code, bool resetFlag, int width) {
    if (resetFlag) {
        reset();
        return 0;
    }
    std::int16_t out = 0;
    const auto c = static_cast<std::uint8_t>(code & 15);
    decode(&c, 1, width, &out);
    return out;
}

void Decoder::decode(const std::uint8_t* codes, std::size_t n, int width, std::int16_t* out) {
    switch (width) {
        case 2: decodeAny<2>(m_state, codes, n, out); break;
        case 3: decodeAny<3>(m_state, codes, n, out); break;
        case 4: decodeAny<4>(m_state, codes, n, out); break;
        default: break;
    }
}

}  // namespace zrc
