// The 24 state variables of the G.726 coder and the four phases of one step
// that the encoder and the decoder share.
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

struct AdpcmState {
    // Both predictors form one weighted sum: coefficient n weights history
    // value n. Coefficients A1, A2, B1 ... B6 (16-bit TC); history SR1, SR2,
    // DQ1 ... DQ6 (11-bit floating, newest first). Kept side by side so that
    // the eight products and the six zero-predictor updates of a step can run
    // as vectors.
    alignas(32) std::array<std::uint32_t, 8> coef{};
    alignas(32) std::array<std::uint32_t, 8> hist{};
    std::uint32_t pk1 = 0, pk2 = 0;  // 1 bit each, PK1 newest
    std::uint32_t ap = 0;            // 10 bits
    std::uint32_t yu = 0;            // 13 bits
    std::uint32_t yl = 0;            // 19 bits
    std::uint32_t dms = 0;           // 12 bits
    std::uint32_t dml = 0;           // 14 bits
    std::uint32_t td = 0;            // 1 bit

    // A value-initialised state is all zeros, which is not the standard's
    // starting point: coders that want it reset first.
    static constexpr AdpcmState resetState() {
        AdpcmState s;
        s.hist = {32, 32, 32, 32, 32, 32, 32, 32};
        s.yu = 544;
        s.yl = 34816;
        return s;
    }

    constexpr void reset() { *this = resetState(); }

    friend constexpr bool operator==(const AdpcmState&, const AdpcmState&) = default;
};

// Lanes of AdpcmState::coef and AdpcmState::hist.
inline constexpr std::size_t kA1 = 0, kA2 = 1, kB1 = 2;
inline constexpr std::size_t kSR1 = 0, kSR2 = 1, kDQ1 = 2;

namespace g726::inline ZRC_ISA {

struct Prediction {
    u32 se;   // signal estimate, 15-bit TC
    u32 sez;  // zero-section estimate, 15-bit TC
    u32 y;    // quantizer scale factor, 13 bits
};

#if ZRC_ISA_AVX2

// FMULT on eight lanes at once; the same arithmetic as fmult().
inline __m256i fmult8(__m256i an, __m256i srn) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i anS = _mm256_srli_epi32(an, 15);
    const __m256i shifted = _mm256_srli_epi32(an, 2);
    const __m256i negated =
        _mm256_and_si256(_mm256_sub_epi32(_mm256_set1_epi32(16384), shifted), _mm256_set1_epi32(8191));
    const __m256i anMag = _mm256_blendv_epi8(shifted, negated, _mm256_sub_epi32(zero, anS));
    // The exponent field of the magnitude as a float is its top bit's index
    // (exact below 2^24): sig(x) = field - 126, and 0 for 0.
    const __m256i isZero = _mm256_cmpeq_epi32(anMag, zero);
    const __m256i field = _mm256_srli_epi32(_mm256_castps_si256(_mm256_cvtepi32_ps(anMag)), 23);
    const __m256i anExp = _mm256_andnot_si256(isZero, _mm256_sub_epi32(field, _mm256_set1_epi32(126)));
    const __m256i anMant = _mm256_or_si256(_mm256_srlv_epi32(_mm256_slli_epi32(anMag, 6), anExp),
                                           _mm256_and_si256(isZero, _mm256_set1_epi32(32)));
    const __m256i srnS = _mm256_srli_epi32(srn, 10);
    const __m256i srnExp = _mm256_and_si256(_mm256_srli_epi32(srn, 6), _mm256_set1_epi32(15));
    const __m256i srnMant = _mm256_and_si256(srn, _mm256_set1_epi32(63));
    // Both mantissas fit 6 bits, so a 16-bit multiply gives the whole product.
    const __m256i waMant =
        _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi16(srnMant, anMant), _mm256_set1_epi32(48)), 4);
    const __m256i waExp = _mm256_add_epi32(srnExp, anExp);
    const __m256i waMag =
        _mm256_and_si256(_mm256_srlv_epi32(_mm256_slli_epi32(waMant, 11), _mm256_sub_epi32(_mm256_set1_epi32(30), waExp)),
                         _mm256_set1_epi32(32767));
    const __m256i s = _mm256_xor_si256(srnS, anS);
    return _mm256_and_si256(_mm256_add_epi32(_mm256_xor_si256(waMag, _mm256_sub_epi32(zero, s)), s),
                            _mm256_set1_epi32(65535));
}

// UPB with XOR on eight lanes (the caller keeps lanes 2 to 7).
inline __m256i upb8(__m256i bn, __m256i dqn, u32 dq) {
    const __m256i un = _mm256_xor_si256(_mm256_set1_epi32(static_cast<int>(dq >> 15)), _mm256_srli_epi32(dqn, 10));
    // No gain when DQ's magnitude is 0; chosen by a mask, not a branch.
    const __m256i gain = _mm256_and_si256(
        _mm256_set1_epi32(-static_cast<int>((dq & 32767) != 0)),
        _mm256_blendv_epi8(_mm256_set1_epi32(128), _mm256_set1_epi32(65408), _mm256_sub_epi32(_mm256_setzero_si256(), un)));
    // The leak: minus Bn >> 8 with Bn read as a signed 16-bit value.
    const __m256i leak = _mm256_sub_epi32(_mm256_setzero_si256(), _mm256_srai_epi32(_mm256_slli_epi32(bn, 16), 24));
    return _mm256_and_si256(_mm256_add_epi32(_mm256_add_epi32(bn, gain), leak), _mm256_set1_epi32(65535));
}

inline u32 laneSum(__m256i v) {
    const __m128i pairs = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    const __m128i quads = _mm_add_epi32(pairs, _mm_shuffle_epi32(pairs, _MM_SHUFFLE(1, 0, 3, 2)));
    return static_cast<u32>(_mm_cvtsi128_si32(_mm_add_epi32(quads, _mm_shuffle_epi32(quads, _MM_SHUFFLE(2, 3, 0, 1)))));
}

#endif

// Phase 1: prediction from the state alone.
[[gnu::always_inline]] inline Prediction predict(const AdpcmState& s) {
#if ZRC_ISA_AVX2
    const __m256i w = fmult8(_mm256_load_si256(reinterpret_cast<const __m256i*>(s.coef.data())),
                             _mm256_load_si256(reinterpret_cast<const __m256i*>(s.hist.data())));
    // ACCUM: the 16-bit sums of all eight products and of the six zero-section
    // ones differ by WA1 + WA2.
    const u32 total = laneSum(w);
    const u32 wa = static_cast<u32>(_mm256_extract_epi32(w, 0)) + static_cast<u32>(_mm256_extract_epi32(w, 1));
    const Estimate e{(total & 65535) >> 1, ((total - wa) & 65535) >> 1};
#else
    std::array<u32, 6> wb{};
    for (std::size_t n = 0; n < 6; ++n) wb[n] = fmult(s.coef[kB1 + n], s.hist[kDQ1 + n]);
    const Estimate e = accum(fmult(s.coef[kA1], s.hist[kSR1]), fmult(s.coef[kA2], s.hist[kSR2]), wb);
#endif
    return {e.se, e.sez, mix(lima(s.ap), s.yu, s.yl)};
}

// Phases 2 to 4 for a code I within the width's range: inverse quantization,
// reconstruction, adaptation and the state update. Returns SR (16-bit TC).
template <int Width>
[[gnu::always_inline]] inline u32 reconstructAndAdapt(AdpcmState& s, u32 i, const Prediction& p) {
    static_assert(isValidWidth(Width));
    // Phase 2.
    const LogQuantized lq = reconst(i, Width);
    const u32 dql = adda(lq.dqln, p.y);
    const u32 dq = antilog(dql, lq.dqs);

    // Phase 3.
    const u32 tr = trans(s.td, s.yl, dq);
    const u32 sr = addb(dq, p.se);
    const u32 sr0 = floatb(sr);
    const PartialSign pk = addc(dq, p.sez);
    const u32 a1 = s.coef[kA1];
    const u32 a2 = s.coef[kA2];
    const u32 a2p = limc(upa2(pk.pk0, s.pk1, s.pk2, a1, a2, pk.sigpk));
    const u32 a2r = trigb(tr, a2p);
    const u32 a1p = limd(upa1(pk.pk0, s.pk1, a1, pk.sigpk), a2p);
    const u32 a1r = trigb(tr, a1p);
    const u32 dq0 = floata(dq);
    const u32 tdp = tone(a2p);
    const u32 tdr = trigb(tr, tdp);
    const u32 fi = functf(i, Width);
    const u32 dmsp = filta(fi, s.dms);
    const u32 dmlp = filtb(fi, s.dml);
    const u32 ax = subtc(dmsp, dmlp, tdp, p.y);
    const u32 apr = triga(tr, filtc(ax, s.ap));
    const u32 wi = functw(i, Width);
    const u32 yup = limb(filtd(wi, p.y));
    const u32 ylp = filte(yup, s.yl);

    // Phase 4. A step with the reset flag set never gets here: it is
    // AdpcmState::reset(), which writes every field's reset value at once.
#if ZRC_ISA_AVX2
    auto* coef = reinterpret_cast<__m256i*>(s.coef.data());
    auto* hist = reinterpret_cast<__m256i*>(s.hist.data());
    const __m256i oldHist = _mm256_load_si256(hist);
    // B1 ... B6 through UPB and TRIGB; A1 and A2 take their lanes.
    __m256i br = upb8(_mm256_load_si256(coef), oldHist, dq);
    br = _mm256_andnot_si256(_mm256_set1_epi32(-static_cast<int>(tr)), br);
    _mm256_store_si256(coef, _mm256_blend_epi32(br, _mm256_setr_epi32(static_cast<int>(a1r), static_cast<int>(a2r), 0, 0, 0, 0, 0, 0), 0x03));
    // SR2 takes SR1, SR1 takes SR0; DQ6 ... DQ2 take DQ5 ... DQ1, DQ1 takes DQ0.
    const __m256i moved = _mm256_permutevar8x32_epi32(oldHist, _mm256_setr_epi32(0, 0, 0, 2, 3, 4, 5, 6));
    _mm256_store_si256(hist, _mm256_blend_epi32(moved, _mm256_setr_epi32(static_cast<int>(sr0), 0, static_cast<int>(dq0), 0, 0, 0, 0, 0), 0x05));
#else
    for (std::size_t n = 0; n < 6; ++n) {
        const std::size_t lane = kB1 + n;
        s.coef[lane] = trigb(tr, upb(xorSigns(s.hist[lane], dq), s.coef[lane], dq));
    }
    s.coef[kA1] = a1r;
    s.coef[kA2] = a2r;
    for (std::size_t n = 7; n > kDQ1; --n) s.hist[n] = s.hist[n - 1];
    s.hist[kDQ1] = dq0;
    s.hist[kSR2] = s.hist[kSR1];
    s.hist[kSR1] = sr0;
#endif
    s.pk2 = s.pk1;
    s.pk1 = pk.pk0;
    s.yu = yup;
    s.yl = ylp;
    s.dms = dmsp;
    s.dml = dmlp;
    s.ap = apr;
    s.td = tdr;
    return sr;
}

}  // namespace g726::inline ZRC_ISA
}  // namespace zrc
