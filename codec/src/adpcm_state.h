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

// The state as the loops hold it while they run: A1, A2 and B1 ... B6 as
// signed numbers, the rest as in AdpcmState. Each step reads and writes it
// in registers; AdpcmState is what it is loaded from and stored back to.
struct WorkingState {
#if ZRC_ISA_AVX2
    // Lanes as AdpcmState::coef and ::hist, so that the eight products and
    // the six zero-predictor updates of a step run as vectors.
    __m256i coef;
    __m256i hist;
#else
    std::array<i32, 8> coef;
    std::array<u32, 8> hist;
#endif
    i32 a1, a2;  // copies of the coefficient lanes for the scalar blocks
    u32 pk1, pk2, ap, yu, yl, dms, dml, td;

    explicit WorkingState(const AdpcmState& s)
        : a1(asSigned16(s.coef[kA1])), a2(asSigned16(s.coef[kA2])), pk1(s.pk1), pk2(s.pk2), ap(s.ap),
          yu(s.yu), yl(s.yl), dms(s.dms), dml(s.dml), td(s.td) {
        std::array<i32, 8> c{};
        for (std::size_t n = 0; n < 8; ++n) c[n] = asSigned16(s.coef[n]);
#if ZRC_ISA_AVX2
        coef = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c.data()));
        hist = _mm256_load_si256(reinterpret_cast<const __m256i*>(s.hist.data()));
#else
        coef = c;
        hist = s.hist;
#endif
    }

    void storeTo(AdpcmState& s) const {
        std::array<i32, 8> c{};
#if ZRC_ISA_AVX2
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(c.data()), coef);
        _mm256_store_si256(reinterpret_cast<__m256i*>(s.hist.data()), hist);
#else
        c = coef;
        s.hist = hist;
#endif
        for (std::size_t n = 0; n < 8; ++n) s.coef[n] = static_cast<u32>(c[n]) & 65535;
        s.pk1 = pk1;
        s.pk2 = pk2;
        s.ap = ap;
        s.yu = yu;
        s.yl = yl;
        s.dms = dms;
        s.dml = dml;
        s.td = td;
    }
};

struct Prediction {
    i32 se;   // signal estimate
    i32 sez;  // zero-section estimate
    u32 y;        // quantizer scale factor, 13 bits
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

#endif

// Phase 1: prediction from the state alone.
[[gnu::always_inline]] inline Prediction predict(const WorkingState& s) {
#if ZRC_ISA_AVX2
    const __m256i w = fmult8(s.coef, s.hist);
    // ACCUM: the sums of all eight products and of the six zero-section ones
    // differ by WA1 + WA2.
    const u32 total = laneSum(w);
    const u32 wa = static_cast<u32>(_mm256_extract_epi32(w, 0)) + static_cast<u32>(_mm256_extract_epi32(w, 1));
    const u32 sezi = total - wa;
#else
    u32 sezi = 0;
    for (std::size_t n = kB1; n < 8; ++n) sezi += static_cast<u32>(fmult(s.coef[n], s.hist[n]));
    const u32 total = sezi + static_cast<u32>(fmult(s.coef[kA1], s.hist[kSR1])) +
                      static_cast<u32>(fmult(s.coef[kA2], s.hist[kSR2]));
#endif
    return {halfSum(total), halfSum(sezi), mix(lima(s.ap), s.yu, s.yl)};
}

// Phases 2 to 4 for a code I within the width's range: inverse quantization,
// reconstruction, adaptation and the state update. Returns SR.
// A step with the reset flag set never gets here: it is AdpcmState::reset(),
// which writes every field's reset value at once.
template <int Width>
[[gnu::always_inline]] inline i32 reconstructAndAdapt(WorkingState& s, u32 i, const Prediction& p) {
    static_assert(isValidWidth(Width));
    // Phase 2: ADDA, then ANTILOG and FLOATA in one table.
    const u32 dqs = i >> (Width - 1);
    const DqMagnitude dqm = dqFromLog(adda(reconst(i, Width).dqln, p.y));
    const u32 dqmag = dqm.mag;
    const i32 dq = signedDq(dqs, dqmag);

    // Phase 3.
    const u32 tr = trans(s.td, s.yl, dqmag);
    const i32 sr = addb(dq, p.se);
    const u32 sr0 = floatb(sr);
    const PartialSign pk = addc(dq, p.sez);
    const i32 a2p = limc(upa2(pk.pk0, s.pk1, s.pk2, s.a1, s.a2, pk.sigpk));
    const i32 a1p = limd(upa1(pk.pk0, s.pk1, s.a1, pk.sigpk), a2p);
    const u32 dq0 = (dqs << 10) | dqm.float_;
    const u32 tdp = tone(a2p);
    const u32 fi = functf(i, Width);
    const u32 dmsp = filta(fi, s.dms);
    const u32 dmlp = filtb(fi, s.dml);
    // SUBTC with TDP = 1 always gives 1: both outcomes of FILTC are ready
    // before the tone detector, late in the step, decides.
    const u32 apIfTone = filtc(1, s.ap);
    const u32 apOtherwise = filtc(subtc(dmsp, dmlp, 0, p.y), s.ap);
    const u32 yup = limb(filtd(functw(i, Width), p.y));

    // Phase 4. TRIGB and TRIGA: a transition returns every coefficient to 0.
#if ZRC_ISA_AVX2
    __m256i b = upb8(s.coef, s.hist, dqs, dqmag);
    b = _mm256_blend_epi32(b, _mm256_setr_epi32(a1p, a2p, 0, 0, 0, 0, 0, 0), 0x03);
    s.coef = _mm256_andnot_si256(_mm256_set1_epi32(-static_cast<int>(tr)), b);
    // SR2 takes SR1, SR1 takes SR0; DQ6 ... DQ2 take DQ5 ... DQ1, DQ1 takes DQ0.
    const __m256i moved = _mm256_permutevar8x32_epi32(s.hist, _mm256_setr_epi32(0, 0, 0, 2, 3, 4, 5, 6));
    s.hist = _mm256_blend_epi32(moved, _mm256_setr_epi32(static_cast<int>(sr0), 0, static_cast<int>(dq0), 0, 0, 0, 0, 0), 0x05);
#else
    for (std::size_t n = kB1; n < 8; ++n) {
        s.coef[n] = tr ? 0 : upb(dqs ^ (s.hist[n] >> 10), s.coef[n], dqmag);
    }
    s.coef[kA1] = tr ? 0 : a1p;
    s.coef[kA2] = tr ? 0 : a2p;
    for (std::size_t n = 7; n > kDQ1; --n) s.hist[n] = s.hist[n - 1];
    s.hist[kDQ1] = dq0;
    s.hist[kSR2] = s.hist[kSR1];
    s.hist[kSR1] = sr0;
#endif
    s.a1 = tr ? 0 : a1p;
    s.a2 = tr ? 0 : a2p;
    s.pk2 = s.pk1;
    s.pk1 = pk.pk0;
    s.yl = filte(yup, s.yl);
    s.yu = yup;
    s.dms = dmsp;
    s.dml = dmlp;
    s.ap = triga(tr, tdp ? apIfTone : apOtherwise);
    s.td = trigb(tr, tdp);
    return sr;
}

}  // namespace g726::inline ZRC_ISA

inline namespace ZRC_ISA {
using WorkingState = g726::WorkingState;
}

}  // namespace zrc
