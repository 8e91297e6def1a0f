// The eight predictor lanes of a running step: coefficient n (A1, A2,
// B1 ... B6, as signed numbers) with history value n (SR1, SR2, DQ1 ... DQ6,
// 11-bit floating), and the two things a step does to all of them at once.
// This is the one place that knows the instruction set: the AVX2 copy of
// the coder holds the lanes in two vector registers, the baseline copy in
// two arrays, and the step above them reads the same either way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "g726_blocks.h"
#include "isa.h"

#if ZRC_ISA_AVX2
#include <immintrin.h>
#endif

namespace zrc {

// Lanes of AdpcmState::coef and AdpcmState::hist.
inline constexpr std::size_t kA1 = 0, kA2 = 1, kB1 = 2;
inline constexpr std::size_t kSR1 = 0, kSR2 = 1, kDQ1 = 2;

namespace g726::inline ZRC_ISA {

// ACCUM's two sums of the FMULT products, modulo 2^32 (their low 16 bits
// are the standard's): all eight, and the six of the zero section.
struct ProductSums {
    u32 all;
    u32 zeros;
};

#if ZRC_ISA_AVX2

// FMULT on eight lanes at once, with An as signed numbers; the products come
// out signed too, and their sum taken modulo 2^16 is the standard's.
inline __m256i fmult8(__m256i an, __m256i srn) {
    const __m256i zero = _mm256_setzero_si256();
    // |An| >> 2 as the standard rounds it (up, for a negative An); -32768
    // gives 8192, which the 13-bit mask makes 0 as it does in the standard.
    const __m256i anMag = _mm256_and_si256(_mm256_abs_epi32(_mm256_srai_epi32(an, 2)), _mm256_set1_epi32(8191));
    // The exponent field of the magnitude as a float is its top bit's index
    // (exact below 2^24): sig(x) = field - 126, and 0 for 0.
    const __m256i isZero = _mm256_cmpeq_epi32(anMag, zero);
    const __m256i field = _mm256_srli_epi32(_mm256_castps_si256(_mm256_cvtepi32_ps(anMag)), 23);
    const __m256i anExp = _mm256_andnot_si256(isZero, _mm256_sub_epi32(field, _mm256_set1_epi32(126)));
    const __m256i anMant = _mm256_or_si256(_mm256_srlv_epi32(_mm256_slli_epi32(anMag, 6), anExp),
                                           _mm256_and_si256(isZero, _mm256_set1_epi32(32)));
    const __m256i srnExp = _mm256_and_si256(_mm256_srli_epi32(srn, 6), _mm256_set1_epi32(15));
    const __m256i srnMant = _mm256_and_si256(srn, _mm256_set1_epi32(63));
    // Both mantissas fit 6 bits, so a 16-bit multiply gives the whole product.
    const __m256i waMant =
        _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi16(srnMant, anMant), _mm256_set1_epi32(48)), 4);
    const __m256i waExp = _mm256_add_epi32(srnExp, anExp);
    const __m256i waMag =
        _mm256_and_si256(_mm256_srlv_epi32(_mm256_slli_epi32(waMant, 11), _mm256_sub_epi32(_mm256_set1_epi32(30), waExp)),
                         _mm256_set1_epi32(32767));
    // Negative when exactly one of An and SRn is (SRn's sign is bit 10).
    const __m256i negative = _mm256_srai_epi32(_mm256_xor_si256(an, _mm256_slli_epi32(srn, 21)), 31);
    return _mm256_sub_epi32(_mm256_xor_si256(waMag, negative), negative);
}

// UPB with XOR on eight lanes (the caller keeps lanes 2 to 7), signed.
inline __m256i upb8(__m256i bn, __m256i dqn, u32 dqs, u32 dqmag) {
    // All ones where the signs of DQ and DQn differ.
    const __m256i differ = _mm256_srai_epi32(
        _mm256_xor_si256(_mm256_slli_epi32(dqn, 21), _mm256_set1_epi32(static_cast<int>(dqs << 31))), 31);
    // +128 or -128 by the signs; no gain when DQ's magnitude is 0.
    const __m256i gain = _mm256_set1_epi32(dqmag != 0 ? 128 : 0);
    const __m256i signedGain = _mm256_sub_epi32(_mm256_xor_si256(gain, differ), differ);
    // The leak: minus Bn >> 8; the sum taken modulo 2^16 as the standard does.
    const __m256i sum = _mm256_sub_epi32(_mm256_add_epi32(bn, signedGain), _mm256_srai_epi32(bn, 8));
    return _mm256_srai_epi32(_mm256_slli_epi32(sum, 16), 16);
}

inline u32 laneSum(__m256i v) {
    const __m128i pairs = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    const __m128i quads = _mm_add_epi32(pairs, _mm_shuffle_epi32(pairs, _MM_SHUFFLE(1, 0, 3, 2)));
    return static_cast<u32>(_mm_cvtsi128_si32(_mm_add_epi32(quads, _mm_shuffle_epi32(quads, _MM_SHUFFLE(2, 3, 0, 1)))));
}

struct PredictorLanes {
    __m256i coef;
    __m256i hist;

    PredictorLanes(const std::array<i32, 8>& c, const std::array<u32, 8>& h)
        : coef(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(c.data()))),
          hist(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(h.data()))) {}

    void storeTo(std::array<i32, 8>& c, std::array<u32, 8>& h) const {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(c.data()), coef);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(h.data()), hist);
    }

    // The sums of all eight products and of the six zero-section ones
    // differ by WA1 + WA2.
    ProductSums products() const {
        const __m256i w = fmult8(coef, hist);
        const u32 all = laneSum(w);
        return {all, all - static_cast<u32>(_mm256_extract_epi32(w, 0)) - static_cast<u32>(_mm256_extract_epi32(w, 1))};
    }

    // Phase 4 for the lanes: UPB on B1 ... B6, the limited A1 and A2, all of
    // them 0 on a transition (TRIGB); SR2 takes SR1, SR1 takes SR0, DQ6 ...
    // DQ2 take DQ5 ... DQ1, DQ1 takes DQ0.
    void adapt(u32 tr, i32 a1p, i32 a2p, u32 dqs, u32 dqmag, u32 sr0, u32 dq0) {
        __m256i b = upb8(coef, hist, dqs, dqmag);
        b = _mm256_blend_epi32(b, _mm256_setr_epi32(a1p, a2p, 0, 0, 0, 0, 0, 0), 0x03);
        coef = _mm256_andnot_si256(_mm256_set1_epi32(-static_cast<int>(tr)), b);
        const __m256i moved = _mm256_permutevar8x32_epi32(hist, _mm256_setr_epi32(0, 0, 0, 2, 3, 4, 5, 6));
        hist = _mm256_blend_epi32(moved, _mm256_setr_epi32(static_cast<int>(sr0), 0, static_cast<int>(dq0), 0, 0, 0, 0, 0), 0x05);
    }
};

#else

struct PredictorLanes {
    std::array<i32, 8> coef;
    std::array<u32, 8> hist;

    PredictorLanes(const std::array<i32, 8>& c, const std::array<u32, 8>& h) : coef(c), hist(h) {}

    void storeTo(std::array<i32, 8>& c, std::array<u32, 8>& h) const {
        c = coef;
        h = hist;
    }

    ProductSums products() const {
        u32 zeros = 0;
        for (std::size_t n = kB1; n < 8; ++n) zeros += static_cast<u32>(fmult(coef[n], hist[n]));
        return {zeros + static_cast<u32>(fmult(coef[kA1], hist[kSR1])) + static_cast<u32>(fmult(coef[kA2], hist[kSR2])), zeros};
    }

    void adapt(u32 tr, i32 a1p, i32 a2p, u32 dqs, u32 dqmag, u32 sr0, u32 dq0) {
        for (std::size_t n = kB1; n < 8; ++n) coef[n] = tr ? 0 : upb(dqs ^ (hist[n] >> 10), coef[n], dqmag);
        coef[kA1] = tr ? 0 : a1p;
        coef[kA2] = tr ? 0 : a2p;
        for (std::size_t n = 7; n > kDQ1; --n) hist[n] = hist[n - 1];
        hist[kDQ1] = dq0;
        hist[kSR2] = hist[kSR1];
        hist[kSR1] = sr0;
    }
};

#endif

}  // namespace g726::inline ZRC_ISA
}  // namespace zrc
