#include "isa.h"

#include <atomic>

namespace zrc::simd {

namespace {
bool processorHasAvx2() {
#if ZRC_HAVE_AVX2_KERNELS
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

std::atomic<bool>& avx2Flag() {
    static std::atomic<bool> flag{processorHasAvx2()};
    return flag;
}
}  // namespace

bool avx2Enabled() { return avx2Flag().load(std::memory_order_relaxed); }

void setAvx2Enabled(bool enabled) { avx2Flag().store(enabled && processorHasAvx2(), std::memory_order_relaxed); }

}  // namespace zrc::simd
