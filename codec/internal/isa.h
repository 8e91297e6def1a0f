// The instruction set the including file is compiled for.
//
// The coder's inline functions are compiled twice: once for the baseline
// and once, in their own files, for AVX2. Each copy lives in a namespace
// named after its instruction set, so the linker can never mistake one for
// the other and run AVX2 code on a processor without it.
#pragma once

#if defined(__AVX2__)
#define ZRC_ISA avx2
#define ZRC_ISA_AVX2 1
#else
#define ZRC_ISA base
#define ZRC_ISA_AVX2 0
#endif

// Whether this build has an AVX2 copy of the kernels next to the baseline.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(ZRC_NO_SIMD_KERNELS)
#define ZRC_HAVE_AVX2_KERNELS 1
#else
#define ZRC_HAVE_AVX2_KERNELS 0
#endif

namespace zrc::simd {

// True when the AVX2 kernels run: the processor has AVX2 and they have not
// been switched off (tests run both).
bool avx2Enabled();
void setAvx2Enabled(bool enabled);

}  // namespace zrc::simd
