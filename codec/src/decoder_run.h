// The page loop of the decoder, included by the one file of each
// instruction set that builds its copy (decoder.cpp, kernels_avx2.cpp).
#pragma once

#include "decoder_kernel.h"

namespace zrc::inline ZRC_ISA {

template <int Width>
void decodeRun(AdpcmState& state, const std::uint8_t* codes, std::size_t n, std::int16_t* out) {
    WorkingState s(state);  // held in registers for the whole run
    // Codes beyond the width's range are rare (damaged files); one look over
    // the run decides whether the loop needs to watch for them.
    constexpr unsigned mask = (1u << Width) - 1;
    bool allInRange = true;
    for (std::size_t k = 0; k < n; ++k) allInRange &= (codes[k] & 15u) <= mask;
    if (allInRange) {
        for (std::size_t k = 0; k < n; ++k) out[k] = decodeStep<Width>(s, codes[k] & 15u);
    } else {
        for (std::size_t k = 0; k < n; ++k) out[k] = decodeStep<Width>(s, checkedCode<Width>(codes[k]));
    }
    s.storeTo(state);
    // The output is SR times 4, clipped; outside the serial loop it runs as
    // vectors.
    for (std::size_t k = 0; k < n; ++k) out[k] = saturate16(out[k] * 4);
}

template void decodeRun<2>(AdpcmState&, const std::uint8_t*, std::size_t, std::int16_t*);
template void decodeRun<3>(AdpcmState&, const std::uint8_t*, std::size_t, std::int16_t*);
template void decodeRun<4>(AdpcmState&, const std::uint8_t*, std::size_t, std::int16_t*);

}  // namespace zrc::inline ZRC_ISA
