// The sample loop of the encoder, included by the one file of each
// instruction set that builds its copy (encoder.cpp, kernels_avx2.cpp).
#pragma once

#include "encoder_kernel.h"

namespace zrc::inline ZRC_ISA {

template <int Width>
void encodeRun(AdpcmState& state, const std::int16_t* x, std::size_t n, std::uint8_t* codes) {
    WorkingState s(state);  // held in registers for the whole run
    for (std::size_t k = 0; k < n; ++k) codes[k] = encodeStep<Width>(s, x[k]);
    s.storeTo(state);
}

template void encodeRun<2>(AdpcmState&, const std::int16_t*, std::size_t, std::uint8_t*);
template void encodeRun<3>(AdpcmState&, const std::int16_t*, std::size_t, std::uint8_t*);
template void encodeRun<4>(AdpcmState&, const std::int16_t*, std::size_t, std::uint8_t*);

}  // namespace zrc::inline ZRC_ISA
