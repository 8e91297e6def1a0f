// The coder's AVX2 copies: this file alone is compiled for AVX2, and its
// code only runs where the processor has it.
#include "decoder_run.h"
#include "encoder_run.h"

static_assert(ZRC_ISA_AVX2, "kernels_avx2.cpp must be compiled with AVX2 enabled");
