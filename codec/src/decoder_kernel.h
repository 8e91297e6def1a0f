// The decoder step as inline code, compiled once per instruction set (see
// isa.h): a page of codes runs through one tight loop with the state held
// locally.
#pragma once

#include <cstddef>
#include <cstdint>

#include "adpcm_state.h"
#include "isa.h"
#include "sample_math.h"

namespace zrc {

namespace detail {
// The range check of RECONST: a code beyond the width's range is reported on
// standard output. Out of line, since it never happens on valid input.
[[gnu::cold]] void reportReconstRange(std::uint32_t code);
}  // namespace detail

inline namespace ZRC_ISA {

// SR for a code within the width's range; the caller scales it for output.
template <int Width>
[[gnu::always_inline]] inline std::int16_t decodeStep(WorkingState& s, g726::u32 i) {
    const g726::Prediction p = g726::predict(s);
    return static_cast<std::int16_t>(g726::reconstructAndAdapt<Width>(s, i, p));
}

// A code beyond the width's range is reported and then reduced to the width.
template <int Width>
[[gnu::always_inline]] inline g726::u32 checkedCode(std::uint8_t code) {
    constexpr g726::u32 mask = (1u << Width) - 1;
    g726::u32 i = code & 15u;
    if (i > mask) [[unlikely]] {
        detail::reportReconstRange(i);
        i &= mask;  // defined, never an out-of-range table read
    }
    return i;
}

// Decodes n codes at one width into out, continuing the state.
template <int Width>
void decodeRun(AdpcmState& state, const std::uint8_t* codes, std::size_t n, std::int16_t* out);

}  // namespace ZRC_ISA

#if ZRC_HAVE_AVX2_KERNELS && !ZRC_ISA_AVX2
// The AVX2 copy, built in its own file.
namespace avx2 {
template <int Width>
void decodeRun(AdpcmState& state, const std::uint8_t* codes, std::size_t n, std::int16_t* out);
}
#endif

}  // namespace zrc

