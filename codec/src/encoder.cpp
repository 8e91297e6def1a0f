#include "encoder.h"

#include "encoder_run.h"

namespace zrc {

namespace {
template <int Width>
void encodeAny(AdpcmState& s, const std::int16_t* x, std::size_t n, std::uint8_t* codes) {
#if ZRC_HAVE_AVX2_KERNELS && !ZRC_ISA_AVX2
    if (simd::avx2Enabled()) {
        avx2::encodeRun<Width>(s, x, n, codes);
        return;
    }
#endif
    encodeRun<Width>(s, x, n, codes);
}
}  // namespace

std::uint8_t Encoder::step(std::int16_t x, bool resetFlag, int width) {
    if (resetFlag) {
        reset();
        return 0;
    }
    std::uint8_t code = 0;
    encode(&x, 1, width, &code);
    return code;
}

void Encoder::encode(const std::int16_t* x, std::size_t n, int width, std::uint8_t* codes) {
    switch (width) {
        case 2: encodeAny<2>(m_state, x, n, codes); break;
        case 3: encodeAny<3>(m_state, x, n, codes); break;
        case 4: encodeAny<4>(m_state, x, n, codes); break;
        default: break;
    }
}

}  // namespace zrc
