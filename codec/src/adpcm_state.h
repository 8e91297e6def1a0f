// The 24 state variables of the G.726 coder and the four phases of one step
// that the encoder and the decoder share.
#pragma once

#include <array>
#include <cstdint>

#include "g726_blocks.h"

namespace zrc {

struct AdpcmState {
    g726::u32 a1 = 0, a2 = 0;               // pole coefficients, 16-bit TC
    std::array<g726::u32, 6> b{};           // zero coefficients B1..B6, 16-bit TC
    std::array<g726::u32, 6> dq{};          // DQ1..DQ6, 11-bit floating, DQ1 newest
    g726::u32 sr1 = 0, sr2 = 0;             // 11-bit floating, SR1 newest
    g726::u32 pk1 = 0, pk2 = 0;             // 1 bit each
    g726::u32 ap = 0;                       // 10 bits
    g726::u32 yu = 0;                       // 13 bits
    g726::u32 yl = 0;                       // 19 bits
    g726::u32 dms = 0;                      // 12 bits
    g726::u32 dml = 0;                      // 14 bits
    g726::u32 td = 0;                       // 1 bit

    // A value-initialised state is all zeros, which is not the standard's
    // starting point: coders that want it reset first.
    static constexpr AdpcmState resetState() {
        AdpcmState s;
        s.dq = {32, 32, 32, 32, 32, 32};
        s.sr1 = s.sr2 = 32;
        s.yu = 544;
        s.yl = 34816;
        return s;
    }

    constexpr void reset() { *this = resetState(); }

    friend constexpr bool operator==(const AdpcmState&, const AdpcmState&) = default;
};

namespace g726 {

struct Prediction {
    u32 se;   // signal estimate, 15-bit TC
    u32 sez;  // zero-section estimate, 15-bit TC
    u32 y;    // quantizer scale factor, 13 bits
};

// Phase 1: prediction from the state alone.
constexpr Prediction predict(const AdpcmState& s) {
    const u32 wa1 = fmult(s.a1, s.sr1);
    const u32 wa2 = fmult(s.a2, s.sr2);
    std::array<u32, 6> wb{};
    for (std::size_t n = 0; n < 6; ++n) wb[n] = fmult(s.b[n], s.dq[n]);
    const Estimate e = accum(wa1, wa2, wb);
    return {e.se, e.sez, mix(lima(s.ap), s.yu, s.yl)};
}

// Phases 2 to 4 for a code I within the width's range: inverse quantization,
// reconstruction, adaptation and the state update. Returns SR (16-bit TC).
template <int Width>
constexpr u32 reconstructAndAdapt(AdpcmState& s, u32 i, const Prediction& p) {
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
    const u32 a2p = limc(upa2(pk.pk0, s.pk1, s.pk2, s.a1, s.a2, pk.sigpk));
    const u32 a2r = trigb(tr, a2p);
    const u32 a1p = limd(upa1(pk.pk0, s.pk1, s.a1, pk.sigpk), a2p);
    const u32 a1r = trigb(tr, a1p);
    const u32 dq0 = floata(dq);
    std::array<u32, 6> br{};
    for (std::size_t n = 0; n < 6; ++n) {
        br[n] = trigb(tr, upb(xorSigns(s.dq[n], dq), s.b[n], dq));
    }
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
    for (std::size_t n = 5; n > 0; --n) s.dq[n] = s.dq[n - 1];
    s.dq[0] = dq0;
    s.pk2 = s.pk1;
    s.pk1 = pk.pk0;
    s.a1 = a1r;
    s.a2 = a2r;
    s.b = br;
    s.sr2 = s.sr1;
    s.sr1 = sr0;
    s.yu = yup;
    s.yl = ylp;
    s.dms = dmsp;
    s.dml = dmlp;
    s.ap = apr;
    s.td = tdr;
    return sr;
}

}  // namespace g726
}  // namespace zrc
