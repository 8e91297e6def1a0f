// The encoder step as inline code, compiled once per instruction set (see
// isa.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "adpcm_state.h"
#include "isa.h"

namespace zrc {

// The input scaling in front of the coder: 0.9 times the sample, truncated
// toward zero, then an arithmetic shift by 2 into the coder's 14-bit range.
// Nothing on the decoding side undoes the 0.9.
constexpr std::int32_t attenuated(std::int16_t x) {
    // 9x / 10 in integers truncates toward zero exactly as trunc(0.9 x) does,
    // without the rounding questions of a floating-point 0.9.
    return 9 * static_cast<std::int32_t>(x) / 10;
}

// SL, the 14-bit two's complement signal the coder quantizes, as a signed
// number.
constexpr std::int32_t scaledInput(std::int16_t x) { return attenuated(x) >> 2; }

inline namespace ZRC_ISA {

template <int Width>
[[gnu::always_inline]] inline std::uint8_t encodeStep(WorkingState& s, std::int32_t sl) {
    const g726::Prediction p = g726::predict(s);
    const g726::LogDifference ld = g726::log(g726::subta(sl, p.se));
    const g726::u32 i = g726::quan(g726::subtb(ld.dl, p.y), ld.ds, Width);
    // The code goes through the decoder's own reconstruction and adaptation,
    // so the two sides cannot drift apart.
    g726::reconstructAndAdapt<Width>(s, i, p);
    return static_cast<std::uint8_t>(i);
}

// Encodes n samples at one width into codes, continuing the state.
template <int Width>
void encodeRun(AdpcmState& state, const std::int16_t* x, std::size_t n, std::uint8_t* codes);

}  // namespace ZRC_ISA

#if ZRC_HAVE_AVX2_KERNELS && !ZRC_ISA_AVX2
// The AVX2 copy, built in its own file.
namespace avx2 {
template <int Width>
void encodeRun(AdpcmState& state, const std::int16_t* x, std::size_t n, std::uint8_t* codes);
}
#endif

}  // namespace zrc
