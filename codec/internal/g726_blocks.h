// The fixed-point function blocks of ITU-T G.726 for the 16, 24 and
// 32 kbit/s variants (code widths 2, 3 and 4 bits).
//
// Every block is a pure function of its inputs; none of them touches the
// coder state. Scale factors, logs, floating values and the speed control
// are unsigned integers carrying the low n bits of the standard's n-bit
// quantities. The predictor's coefficients, SE, SEZ, D, DQ and SR are plain
// signed numbers instead of n-bit two's complement patterns, which spares
// the loops a mask or a sign extension at nearly every block; on every
// value the coder can give them the results are the standard's to the bit
// (the tests compare each block with the standard's own arithmetic).
// Encoder and decoder only stay in step if every block agrees exactly.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "isa.h"

namespace zrc::g726::inline ZRC_ISA {

using u32 = std::uint32_t;
using i32 = std::int32_t;

// Number of significant bits: 0 for 0, 1 for 1, 2 for 2-3, ... 15 for 16384-32767.
// The index of the top bit of 2x + 1 is exactly that, with no special case
// for 0 (x stays below 2^31 everywhere in the coder).
constexpr u32 sig(u32 x) { return static_cast<u32>(std::bit_width((x << 1) | 1)) - 1; }

// The low `bits` bits of x read as two's complement and shifted right by k,
// the sign copied into every higher bit. This is what the filters' DIFSX
// spells out with an addition, in two instructions.
template <int Bits, int Shift>
constexpr u32 shiftSigned(u32 x) {
    return static_cast<u32>(static_cast<std::int32_t>(x << (32 - Bits)) >> (32 - Bits + Shift));
}

// A 16-bit two's complement value as a signed number.
constexpr i32 asSigned16(u32 x) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(x)); }

// A value modulo 2^16 read as 16-bit two's complement.
constexpr i32 wrap16(i32 x) { return asSigned16(static_cast<u32>(x)); }

// All ones when the condition holds, else 0: for selecting without a branch.
constexpr u32 maskIf(bool condition) { return 0u - static_cast<u32>(condition); }

constexpr bool isValidWidth(int width) { return width >= 2 && width <= 4; }

// The tables of the standard, indexed by [width - 2][|I|].
namespace tables {
// Quantizer decision levels in DLN units (1/128 of a base-2 log), as signed
// values: |I| is the number of levels that DLN reaches. Unused slots hold a
// level no 12-bit DLN reaches.
inline constexpr int kNever = 1 << 12;
inline constexpr std::array<std::array<int, 7>, 3> kQuantLevels{{
    {261, kNever, kNever, kNever, kNever, kNever, kNever},  // 16 kbit/s
    {8, 218, 331, kNever, kNever, kNever, kNever},          // 24 kbit/s
    {-124, 80, 178, 246, 300, 349, 400},                    // 32 kbit/s
}};
// Reconstruction levels DQLN (12-bit TC); 2048 stands for minus infinity.
inline constexpr std::array<std::array<u32, 8>, 3> kReconstLevels{{
    {116, 365, 0, 0, 0, 0, 0, 0},
    {2048, 135, 273, 373, 0, 0, 0, 0},
    {2048, 4, 135, 213, 273, 323, 373, 425},
}};
// Scale factor multipliers W(|I|) in units of 1/16, as 12-bit TC.
inline constexpr std::array<std::array<u32, 8>, 3> kScaleMultipliers{{
    {4096 - 22, 439, 0, 0, 0, 0, 0, 0},
    {4096 - 4, 30, 137, 582, 0, 0, 0, 0},
    {4096 - 12, 18, 41, 64, 112, 198, 355, 1122},
}};
// Transition values F(|I|) for the speed control averages.
inline constexpr std::array<std::array<u32, 8>, 3> kTransitions{{
    {0, 7, 0, 0, 0, 0, 0, 0},
    {0, 1, 2, 7, 0, 0, 0, 0},
    {0, 0, 0, 1, 1, 1, 3, 7},
}};
}  // namespace tables

// Magnitude |I| of a code of the given width (the sign is the code's top bit).
constexpr u32 codeMagnitude(u32 i, int width) {
    const u32 mask = (1u << width) - 1;
    const u32 sign = i >> (width - 1);
    return sign ? mask - i : i;
}

namespace tables {
// The tables by |I| spread over every code of the width (a code's magnitude
// looked up once, when the program is built).
constexpr std::array<std::array<u32, 16>, 3> byCode(const std::array<std::array<u32, 8>, 3>& byMagnitude) {
    std::array<std::array<u32, 16>, 3> t{};
    for (int w = 2; w <= 4; ++w) {
        for (u32 i = 0; i < (1u << w); ++i) {
            t[static_cast<std::size_t>(w - 2)][i] = byMagnitude[static_cast<std::size_t>(w - 2)][codeMagnitude(i, w)];
        }
    }
    return t;
}
inline constexpr auto kReconstByCode = byCode(kReconstLevels);
inline constexpr auto kScaleMultipliersByCode = byCode(kScaleMultipliers);
inline constexpr auto kTransitionsByCode = byCode(kTransitions);
}  // namespace tables

// --- Prediction ------------------------------------------------------------

// FMULT: the product WAn of a coefficient An and a floating SRn or DQn.
// (WAnMANT << 7) shifted right by 26 - WAnEXP, or left by WAnEXP - 26 when
// that is negative: one right shift of a value placed four bits higher
// covers both directions, since WAnEXP never exceeds 28. A zero magnitude
// has the mantissa 32, not 0, so a zero coefficient can still give a small
// product when SRn is large.
constexpr i32 fmult(i32 an, u32 srn) {
    const u32 anMag = static_cast<u32>(an < 0 ? -(an >> 2) : an >> 2) & 8191;
    const u32 anExp = sig(anMag);
    const u32 anMant = ((anMag << 6) >> anExp) | (static_cast<u32>(anMag == 0) << 5);
    const u32 waMant = ((srn & 63) * anMant + 48) >> 4;
    const u32 waExp = ((srn >> 6) & 15) + anExp;
    const auto waMag = static_cast<i32>(((waMant << 11) >> (30 - waExp)) & 32767);
    return ((srn >> 10) ^ static_cast<u32>(an < 0)) != 0 ? -waMag : waMag;
}

// ACCUM: the loops sum the products modulo 2^32, whose low 16 bits are the
// standard's SEI and SEZI; SE and SEZ are those halved, as signed numbers.
constexpr i32 halfSum(u32 sum16) { return wrap16(static_cast<i32>(sum16)) >> 1; }

constexpr u32 lima(u32 ap) { return ap >= 256 ? 64 : ap >> 2; }

// The standard multiplies the magnitude of YU - YLP and puts the sign back,
// which is a product truncated toward zero; with 13-bit YU and YLP the
// difference never leaves its 14 bits, so signed arithmetic gives it exactly.
constexpr u32 mix(u32 al, u32 yu, u32 yl) {
    const auto ylp = static_cast<std::int32_t>(yl >> 6);
    const std::int32_t product = (static_cast<std::int32_t>(yu) - ylp) * static_cast<std::int32_t>(al);
    const std::int32_t prod = (product + (product >> 31 & 63)) >> 6;
    return static_cast<u32>(ylp + prod) & 8191;
}

// --- Quantization (encoder side) --------------------------------------------

struct LogDifference {
    u32 dl;  // log2 of |D|, 11 bits
    u32 ds;  // sign of D
};

// SUBTA: SL (14-bit) minus SE (15-bit) never leaves 16 bits.
constexpr i32 subta(i32 sl, i32 se) { return sl - se; }

constexpr LogDifference log(i32 d) {
    const u32 ds = d < 0 ? 1u : 0u;
    const u32 dqm = static_cast<u32>(d < 0 ? -d : d) & 32767;
    const u32 exp = sig(dqm | 1) - 1;
    const u32 mant = ((dqm << 7) >> exp) & 127;
    return {(exp << 7) + mant, ds};
}

constexpr u32 subtb(u32 dl, u32 y) { return (dl + 4096 - (y >> 2)) & 4095; }

namespace tables {
// |I| for every 12-bit DLN at each width, worked out once from the decision
// levels: one load per sample instead of up to seven comparisons.
inline constexpr auto kQuantMagnitudes = [] {
    std::array<std::array<std::uint8_t, 4096>, 3> t{};
    for (std::size_t w = 0; w < 3; ++w) {
        for (int dln = 0; dln < 4096; ++dln) {
            const int level = dln >= 2048 ? dln - 4096 : dln;
            std::uint8_t mag = 0;
            for (int threshold : kQuantLevels[w]) mag = static_cast<std::uint8_t>(mag + (level >= threshold ? 1 : 0));
            t[w][static_cast<std::size_t>(dln)] = mag;
        }
    }
    return t;
}();
}  // namespace tables

// DLN is read as a 12-bit TC number (2048-4095 are negative) and placed
// among the decision levels of the width, which gives |I|.
constexpr u32 quan(u32 dln, u32 ds, int width) {
    const u32 mag = tables::kQuantMagnitudes[static_cast<std::size_t>(width - 2)][dln & 4095];
    const u32 mask = (1u << width) - 1;
    // A negative difference counts down from all ones (mask - |I| = mask ^ |I|).
    // At 24 and 32 kbit/s the lowest interval is coded as all ones for both
    // signs, so the all-zero code never occurs.
    return (mag ^ (mask & maskIf(ds != 0))) | (mask & maskIf(mag == 0 && width != 2));
}

// --- Inverse quantization ----------------------------------------------------

struct LogQuantized {
    u32 dqln;  // 12-bit TC
    u32 dqs;   // sign
};

// Expects a code within the width's range; the steps reduce codes first.
constexpr LogQuantized reconst(u32 i, int width) {
    return {tables::kReconstByCode[static_cast<std::size_t>(width - 2)][i & 15], i >> (width - 1)};
}

constexpr u32 adda(u32 dqln, u32 y) { return (dqln + (y >> 2)) & 4095; }

constexpr u32 antilog(u32 dql, u32 dqs) {
    const u32 ds = dql >> 11;
    const u32 dex = (dql >> 7) & 15;
    const u32 dqt = (dql & 127) + 128;
    // (DQT << 7) >> (14 - DEX), written so that the one exponent the coder
    // never produces (15) stays a defined shift.
    const u32 dqmag = ((dqt << 8) >> (15 - dex)) & 32767 & ~maskIf(ds != 0);
    return (dqs << 15) + dqmag;
}

// --- Reconstruction ----------------------------------------------------------

struct PartialSign {
    u32 pk0;    // sign of DQ + SEZ
    u32 sigpk;  // 1 when DQ + SEZ is 0
};

// DQ from its sign and magnitude; -0 is 0.
constexpr i32 signedDq(u32 dqs, u32 dqmag) { return static_cast<i32>((dqmag ^ (0u - dqs)) + dqs); }

constexpr i32 addb(i32 dq, i32 se) { return wrap16(dq + se); }

constexpr PartialSign addc(i32 dq, i32 sez) {
    const i32 dqsez = wrap16(dq + sez);
    return {dqsez < 0 ? 1u : 0u, dqsez == 0 ? 1u : 0u};
}

constexpr u32 floatFromMagnitude(u32 sign, u32 mag) {
    const u32 exp = sig(mag);
    const u32 mant = ((mag << 6) >> exp) | (static_cast<u32>(mag == 0) << 5);
    return (sign << 10) + (exp << 6) + mant;
}

constexpr u32 floata(u32 dq) { return floatFromMagnitude(dq >> 15, dq & 32767); }

constexpr u32 floatb(i32 sr) {
    const u32 s = sr < 0 ? 1u : 0u;
    return floatFromMagnitude(s, static_cast<u32>(sr < 0 ? -sr : sr) & 32767);
}

// ANTILOG and FLOATA of a positive DQ at once, for every 12-bit DQL: the
// magnitude and the floating form's exponent and mantissa. One load replaces
// both blocks in the loops; the sign comes from the code.
struct DqMagnitude {
    std::uint16_t mag;    // |DQ|, 15 bits
    std::uint16_t float_; // FLOATA of |DQ| without its sign bit, 10 bits
};

namespace tables {
inline constexpr auto kDqByLog = [] {
    std::array<DqMagnitude, 4096> t{};
    for (u32 dql = 0; dql < 4096; ++dql) {
        const u32 mag = antilog(dql, 0);
        t[dql] = {static_cast<std::uint16_t>(mag), static_cast<std::uint16_t>(floata(mag))};
    }
    return t;
}();
}  // namespace tables

constexpr DqMagnitude dqFromLog(u32 dql) { return tables::kDqByLog[dql & 4095]; }

// --- Pole predictor adaptation -----------------------------------------------

constexpr i32 upa2(u32 pk0, u32 pk1, u32 pk2, i32 a1, i32 a2, u32 sigpk) {
    const i32 fa1 = std::clamp(4 * a1, -32764, 32764);
    const i32 fa = (pk0 ^ pk1) != 0 ? fa1 : -fa1;
    const i32 uga2a = (pk0 ^ pk2) == 0 ? 16384 : -16384;
    const i32 uga2 = sigpk == 1 ? 0 : (uga2a + fa) >> 7;
    return wrap16(a2 + uga2 - (a2 >> 7));
}

constexpr i32 limc(i32 a2t) { return std::clamp(a2t, -12288, 12288); }

constexpr i32 upa1(u32 pk0, u32 pk1, i32 a1, u32 sigpk) {
    const i32 uga1 = sigpk == 1 ? 0 : ((pk0 ^ pk1) == 0 ? 192 : -192);
    return wrap16(a1 + uga1 - (a1 >> 8));
}

// For A2P within LIMC's range, A1 within +-(15360 - A2P).
constexpr i32 limd(i32 a1t, i32 a2p) {
    const i32 a1ul = 15360 - a2p;
    return std::clamp(a1t, -a1ul, a1ul);
}

// --- Zero predictor adaptation -----------------------------------------------

// UPB for one coefficient, given Un (XOR of the signs of DQn and DQ) and
// the magnitude of DQ: no gain when that magnitude is 0, whatever Un is.
constexpr i32 upb(u32 un, i32 bn, u32 dqmag) {
    const i32 gain = dqmag == 0 ? 0 : (un == 0 ? 128 : -128);
    return wrap16(bn + gain - (bn >> 8));
}

// --- Tone and transition detection -------------------------------------------

// TONE: A2P below -0.71875.
constexpr u32 tone(i32 a2p) { return a2p < -11776 ? 1u : 0u; }

constexpr u32 trigb(u32 tr, u32 x) { return tr ? 0 : x; }

constexpr u32 triga(u32 tr, u32 app) { return tr ? 256 : app; }

// The threshold of TRANS depends on the top nine bits of YL alone.
constexpr u32 transThreshold(u32 ylTop) {
    const u32 ylint = ylTop >> 5;
    const u32 ylfrac = ylTop & 31;
    const u32 thr1 = (32 + ylfrac) << ylint;
    const u32 thr2 = ylint > 8 ? 15872 : thr1;
    return (thr2 + (thr2 >> 1)) >> 1;
}

namespace tables {
inline constexpr auto kTransThresholds = [] {
    std::array<std::uint16_t, 512> t{};
    for (u32 top = 0; top < 512; ++top) t[top] = static_cast<std::uint16_t>(transThreshold(top));
    return t;
}();
}  // namespace tables

constexpr u32 trans(u32 td, u32 yl, u32 dq) {
    return static_cast<u32>((dq & 32767) > tables::kTransThresholds[(yl >> 10) & 511]) & td;
}

// --- Adaptation speed control -------------------------------------------------

constexpr u32 functf(u32 i, int width) {
    return tables::kTransitionsByCode[static_cast<std::size_t>(width - 2)][i & 15];
}

// The four low-pass filters below add to their state a signed difference
// shifted right: DIF is (x - state) mod 2^n, and DIFSX its sign extension.

constexpr u32 filta(u32 fi, u32 dms) {
    const u32 difsx = shiftSigned<13, 5>((fi << 9) - dms);
    return (dms + difsx) & 4095;
}

constexpr u32 filtb(u32 fi, u32 dml) {
    const u32 difsx = shiftSigned<15, 7>((fi << 11) - dml);
    return (dml + difsx) & 16383;
}

// With DMSP and DMLP within their 12 and 14 bits, 4 DMSP - DMLP fits the
// standard's 15 bits, and DIFM is its plain magnitude.
constexpr u32 subtc(u32 dmsp, u32 dmlp, u32 tdp, u32 y) {
    const std::int32_t dif = static_cast<std::int32_t>(dmsp << 2) - static_cast<std::int32_t>(dmlp);
    const auto difm = static_cast<u32>(dif < 0 ? -dif : dif);
    const u32 dthr = dmlp >> 3;
    return (y >= 1536 && difm < dthr && tdp == 0) ? 0 : 1;
}

constexpr u32 filtc(u32 ax, u32 ap) {
    const u32 difsx = shiftSigned<11, 4>((ax << 9) - ap);
    return (ap + difsx) & 1023;
}

// --- Quantizer scale factor adaptation ------------------------------------------

constexpr u32 functw(u32 i, int width) {
    return tables::kScaleMultipliersByCode[static_cast<std::size_t>(width - 2)][i & 15];
}

constexpr u32 filtd(u32 wi, u32 y) {
    const u32 difsx = shiftSigned<17, 5>((wi << 5) - y);
    return (y + difsx) & 8191;
}

constexpr u32 limb(u32 yut) {
    if (yut < 544) return 544;
    if (yut >= 5120) return 5120;
    return yut;
}

constexpr u32 filte(u32 yup, u32 yl) {
    const u32 difsx = shiftSigned<14, 0>(yup + ((1048576 - yl) >> 6));
    return (yl + difsx) & 524287;
}

}  // namespace zrc::g726::inline ZRC_ISA
