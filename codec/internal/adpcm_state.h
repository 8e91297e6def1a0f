// The 24 state variables of the G.726 coder and the four phases of one step
// that the encoder and the decoder share.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "g726_blocks.h"
#include "isa.h"
#include "predictor_lanes.h"

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

namespace g726::inline ZRC_ISA {

// The state as the loops hold it while they run: A1, A2 and B1 ... B6 as
// signed numbers, the rest as in AdpcmState. Each step reads and writes it
// in registers; AdpcmState is what it is loaded from and stored back to.
struct WorkingState {
    PredictorLanes lanes;
    i32 a1, a2;  // copies of the coefficient lanes for the scalar blocks
    u32 pk1, pk2, ap, yu, yl, dms, dml, td;

    explicit WorkingState(const AdpcmState& s)
        : lanes(signedCoefficients(s), s.hist), a1(asSigned16(s.coef[kA1])), a2(asSigned16(s.coef[kA2])), pk1(s.pk1),
          pk2(s.pk2), ap(s.ap), yu(s.yu), yl(s.yl), dms(s.dms), dml(s.dml), td(s.td) {}

    void storeTo(AdpcmState& s) const {
        std::array<i32, 8> c{};
        lanes.storeTo(c, s.hist);
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

private:
    static std::array<i32, 8> signedCoefficients(const AdpcmState& s) {
        std::array<i32, 8> c{};
        for (std::size_t n = 0; n < 8; ++n) c[n] = asSigned16(s.coef[n]);
        return c;
    }
};

struct Prediction {
    i32 se;   // signal estimate
    i32 sez;  // zero-section estimate
    u32 y;    // quantizer scale factor, 13 bits
};

// Phase 1: prediction from the state alone.
[[gnu::always_inline]] inline Prediction predict(const WorkingState& s) {
    const ProductSums sums = s.lanes.products();
    return {halfSum(sums.all), halfSum(sums.zeros), mix(lima(s.ap), s.yu, s.yl)};
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
    s.lanes.adapt(tr, a1p, a2p, dqs, dqmag, sr0, dq0);
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
