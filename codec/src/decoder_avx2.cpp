// The decoder's AVX2 copy: this file alone is compiled for AVX2, and only
// runs where the processor has it.
#include "decoder_run.h"

static_assert(ZRC_ISA_AVX2, "decoder_avx2.cpp must be compiled with AVX2 enabled");
