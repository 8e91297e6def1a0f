// The sample loop of the encoder, included by the one file of each
// instruction set that builds its copy (encoder.cpp, kernels_avx2.cpp).
#pragma once

#include <algorithm>
#include <array>

#include "encoder_kernel.h"

namespace zrc::inline ZRC_ISA {

template <int Width>
void encodeRun(AdpcmState& state, const std::int16_t* x, std::size_t n, std::uint8_t* codes) {
    WorkingState s(state);  // held in registers for the whole run
    // The input scaling needs no state: done for a block of samples at a
    // time, it runs as vectors and leaves the serial loop shorter.
    constexpr std::size_t kBlock = 256;
    std::array<std::int16_t, kBlock> sl;
    for (std::size_t start = 0; start < n; start += kBlock) {
        const std::size_t count = std::min(kBlock, n - start);
        for (std::size_t k = 0; k < count; ++k) sl[k] = static_cast<std::int16_t>(scaledInput(x[start + k]));
        for (std::size_t k = 0; k < count; ++k) codes[start + k] = encodeStep<Width>(s, sl[k]);
    }
    s.storeTo(state);
}

template void encodeRun<2>(AdpcmState&, const std::int16_t*, std::size_t, std::uint8_t*);
template void encodeRun<3>(AdpcmState&, const std::int16_t*, std::size_t, std::uint8_t*);
template void encodeRun<4>(AdpcmState&, const std::int16_t*, std::size_t, std::uint8_t*);

}  // namespace zrc::inline ZRC_ISA
