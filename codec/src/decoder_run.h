// The page loop of the decoder, included by the one file of each
// instruction set that builds its copy (decoder.cpp, kernels_avx2.cpp).
#pragma once

#include "decoder_kernel.h"

namespace zrc::inline ZRC_ISA {

template <int Width>
void decodeRun(AdpcmState& state, const std::uint8_t* codes, std::size_t n, std::int16_t* out) {
    WorkingState s(state);  // held in registers for the whole run
    for (std::size_t k = 0; k < n; ++k) out[k] = decodeStep<Width>(s, codes[k]);
    s.storeTo(state);
}

template void decodeRun<2>(AdpcmState&, const std::uint8_t*, std::size_t, std::int16_t*);
template void decodeRun<3>(AdpcmState&, const std::uint8_t*, std::size_t, std::int16_t*);
template void decodeRun<4>(AdpcmState&, const std::uint8_t*, std::size_t, std::int16_t*);

}  // namespace zrc::inline ZRC_ISA
