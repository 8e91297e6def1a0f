// Runs a test on one copy of the coder's kernels: the baseline one, or the
// AVX2 one where the processor has it. Both must give every value.
#pragma once

#include <string>

#include "isa.h"

namespace zrc::test {

enum class Kernels { Baseline, Avx2 };

inline std::string kernelsSuffix(Kernels k) { return k == Kernels::Avx2 ? "_avx2" : "_baseline"; }

// Switches the kernels for the life of the object and restores them after.
class KernelChoice {
public:
    explicit KernelChoice(Kernels k) : m_saved(simd::avx2Enabled()) {
        simd::setAvx2Enabled(k == Kernels::Avx2);
        m_available = k == Kernels::Baseline || simd::avx2Enabled();
    }
    ~KernelChoice() { simd::setAvx2Enabled(m_saved); }
    KernelChoice(const KernelChoice&) = delete;
    KernelChoice& operator=(const KernelChoice&) = delete;

    // False when the AVX2 kernels were asked for but this processor or build
    // has none.
    bool available() const { return m_available; }

private:
    bool m_saved;
    bool m_available = true;
};

}  // namespace zrc::test
