// Edge cases of the G.726 function blocks that the vectors reach rarely or
// never, checked against values worked out by hand from the standard.
#include <gtest/gtest.h>

#include <vector>

#include "adpcm_state.h"
#include "g726_blocks.h"

namespace zrc::g726 {
namespace {

TEST(G726Blocks, FirstPredictionAfterResetIsZeroWithMinimumScale) {
    const Prediction p = predict(WorkingState(AdpcmState::resetState()));
    EXPECT_EQ(p.se, 0);
    EXPECT_EQ(p.sez, 0);
    EXPECT_EQ(p.y, 544u);
}

TEST(G726Blocks, FmultOfZeroCoefficientDependsOnTheMagnitudeOfSr) {
    // The mantissa of a zero magnitude is 32, so a zero coefficient times a
    // large SRn is not 0.
    EXPECT_EQ(fmult(0, 32), 0u);                    // SRn = +0
    EXPECT_EQ(fmult(0, (11u << 6) | 63), 0u);       // exponent 11
    EXPECT_EQ(fmult(0, 831), 1u);                   // exponent 12, mantissa 63
    EXPECT_EQ(fmult(0, 1855), 65535u);              // the negative twin: -1
    EXPECT_EQ(fmult(0, (15u << 6) | 63), 8u);       // exponent 15, mantissa 63
}

TEST(G726Blocks, FmultSignsAndMagnitudes) {
    // WAn is twice An x SRn, with the standard's rounding bias of the mantissa
    // product: A = 0.5 (8192) times SR = 1024 (exponent 11, mantissa 32) is
    // 67 << 4 = 1072 rather than 1024.
    const u32 sr1024 = (11u << 6) | 32;
    EXPECT_EQ(fmult(8192, sr1024), 1072u);
    EXPECT_EQ(fmult(57344, sr1024), 65536u - 1072);             // A = -0.5
    EXPECT_EQ(fmult(57344, (1u << 10) | sr1024), 1072u);         // both negative
    EXPECT_EQ(fmult(8192, (1u << 10) | sr1024), 65536u - 1072);  // SR negative
    // SR = 1, 1,024 times smaller: 1072 / 1024 leaves 1.
    EXPECT_EQ(fmult(8192, (1u << 6) | 32), 1u);
}

TEST(G726Blocks, LimitersKeepTheirRanges) {
    EXPECT_EQ(limb(0), 544u);
    EXPECT_EQ(limb(543), 544u);
    EXPECT_EQ(limb(544), 544u);
    EXPECT_EQ(limb(5119), 5119u);
    EXPECT_EQ(limb(5120), 5120u);
    EXPECT_EQ(limb(8191), 5120u);

    // A2 = 0: A1 within +-15360.
    EXPECT_EQ(limd(15360, 0), 15360u);
    EXPECT_EQ(limd(15361, 0), 15360u);
    EXPECT_EQ(limd(65536 - 15361, 0), 65536u - 15360);
    // A2 = +0.75 (12288) narrows the bound to 15360 - 12288.
    EXPECT_EQ(limd(5000, 12288), 3072u);
    EXPECT_EQ(limd(65536 - 5000, 12288), 65536u - 3072);
    EXPECT_EQ(limd(3000, 12288), 3000u);
}

TEST(G726Blocks, TransUsesTheFixedThresholdFromYlint9) {
    // YLINT 9, YLFRAC 0: THR1 would be 32 << 9 = 16384; the fixed 15872 is used,
    // so DQTHR = (15872 + 7936) / 2 = 11904.
    const u32 yl = 9u << 15;
    EXPECT_EQ(trans(1, yl, 11904), 0u);
    EXPECT_EQ(trans(1, yl, 11905), 1u);
    // YLINT 8: THR1 = 32 << 8 = 8192, DQTHR = 6144.
    EXPECT_EQ(trans(1, 8u << 15, 6144), 0u);
    EXPECT_EQ(trans(1, 8u << 15, 6145), 1u);
    // Without a detected tone there is no transition.
    EXPECT_EQ(trans(0, yl, 32767), 0u);
    // Only the magnitude of DQ counts.
    EXPECT_EQ(trans(1, yl, 32768 | 11905), 1u);
}

TEST(G726Blocks, AntilogOfNegativeLogIsZeroMagnitudeWithSign) {
    EXPECT_EQ(antilog(2048, 0), 0u);
    EXPECT_EQ(antilog(4095, 1), 32768u);
    // DQL 0: 2^0 = 1 (DQT 128 << 7 >> 14).
    EXPECT_EQ(antilog(0, 0), 1u);
    // DQL = 7 << 7 + 0: 128.
    EXPECT_EQ(antilog(7u << 7, 1), 32768u | 128u);
}

TEST(G726Blocks, QuanAtWidth3MapsTheLowestIntervalToAllOnes) {
    for (u32 dln = 0; dln <= 7; ++dln) EXPECT_EQ(quan(dln, 0, 3), 7u) << dln;
    EXPECT_EQ(quan(8, 0, 3), 1u);
    EXPECT_EQ(quan(8, 1, 3), 6u);
    EXPECT_EQ(quan(4095, 1, 3), 7u);  // negative DLN, negative D
    EXPECT_EQ(quan(331, 0, 3), 3u);
    EXPECT_EQ(quan(331, 1, 3), 4u);
}

TEST(G726Blocks, QuanAtWidths2And4) {
    // 16 kbit/s: a positive lowest interval is code 0, a negative one code 3.
    EXPECT_EQ(quan(260, 0, 2), 0u);
    EXPECT_EQ(quan(261, 0, 2), 1u);
    EXPECT_EQ(quan(261, 1, 2), 2u);
    EXPECT_EQ(quan(260, 1, 2), 3u);
    // 32 kbit/s: the lowest decision level -0.98 is the DLN value 3972.
    EXPECT_EQ(quan(3971, 0, 4), 15u);
    EXPECT_EQ(quan(3972, 0, 4), 1u);
    EXPECT_EQ(quan(400, 0, 4), 7u);
    EXPECT_EQ(quan(400, 1, 4), 8u);
}

TEST(G726Blocks, ReconstMirrorsQuan) {
    // Every code of every width reconstructs to the level of its magnitude.
    for (int width = 2; width <= 4; ++width) {
        const u32 mask = (1u << width) - 1;
        for (u32 i = 0; i <= mask; ++i) {
            const LogQuantized lq = reconst(i, width);
            EXPECT_EQ(lq.dqs, i >> (width - 1));
            EXPECT_EQ(lq.dqln, reconst(mask - i, width).dqln) << "width " << width << " code " << i;
        }
    }
    EXPECT_EQ(reconst(0, 4).dqln, 2048u);  // minus infinity
    EXPECT_EQ(reconst(7, 4).dqln, 425u);
    EXPECT_EQ(reconst(0, 2).dqln, 116u);
}

TEST(G726Blocks, FloatFormatsCarryExponentAndMantissa) {
    EXPECT_EQ(floata(0), 32u);
    EXPECT_EQ(floata(32768), (1u << 10) | 32u);
    EXPECT_EQ(floata(1), (1u << 6) | 32u);
    EXPECT_EQ(floatb(65535), (1u << 10) | (1u << 6) | 32u);  // -1
    EXPECT_EQ(floatb(32767), (15u << 6) | 63u);
}

TEST(G726Blocks, SubtaAddbAddcHandleTheSignsOfTheirOperands) {
    EXPECT_EQ(subta(16383, 0), 65535u);      // SL = -1
    EXPECT_EQ(subta(0, 32767), 1u);          // SE = -1
    EXPECT_EQ(addb(32768 | 5, 16384), 65536u - 5 - 16384);
    EXPECT_EQ(addc(0, 0).sigpk, 1u);
    EXPECT_EQ(addc(32768 | 1, 0).pk0, 1u);
    EXPECT_EQ(addc(1, 32767).sigpk, 1u);     // 1 + (-1)
}

}  // namespace
}  // namespace zrc::g726

namespace zrc::g726 {
namespace {

// The filters as the standard writes them, term by term: the oracle for the
// shorter forms the coder uses, over every input they can be given.
u32 filtaAsWritten(u32 fi, u32 dms) {
    const u32 dif = ((fi << 9) + 8192 - dms) & 8191;
    const u32 difsx = (dif >> 12) ? (dif >> 5) + 3840 : dif >> 5;
    return (dms + difsx) & 4095;
}
u32 filtbAsWritten(u32 fi, u32 dml) {
    const u32 dif = ((fi << 11) + 32768 - dml) & 32767;
    const u32 difsx = (dif >> 14) ? (dif >> 7) + 16128 : dif >> 7;
    return (dml + difsx) & 16383;
}
u32 filtcAsWritten(u32 ax, u32 ap) {
    const u32 dif = ((ax << 9) + 2048 - ap) & 2047;
    const u32 difsx = (dif >> 10) ? (dif >> 4) + 896 : dif >> 4;
    return (ap + difsx) & 1023;
}
u32 filtdAsWritten(u32 wi, u32 y) {
    const u32 dif = ((wi << 5) + 131072 - y) & 131071;
    const u32 difsx = (dif >> 16) ? (dif >> 5) + 4096 : dif >> 5;
    return (y + difsx) & 8191;
}
u32 filteAsWritten(u32 yup, u32 yl) {
    const u32 dif = (yup + ((1048576 - yl) >> 6)) & 16383;
    const u32 difsx = (dif >> 13) ? dif + 507904 : dif;
    return (yl + difsx) & 524287;
}

u32 upa2AsWritten(u32 pk0, u32 pk1, u32 pk2, u32 a1, u32 a2, u32 sigpk) {
    const u32 pks1 = pk0 ^ pk1;
    const u32 pks2 = pk0 ^ pk2;
    const u32 uga2a = pks2 == 0 ? 16384 : 114688;
    const u32 fa1 = a1 < 32768 ? (a1 <= 8191 ? a1 << 2 : 32764) : (a1 >= 57345 ? (a1 << 2) & 131071 : 98308);
    const u32 fa = pks1 ? fa1 : (131072 - fa1) & 131071;
    const u32 uga2b = (uga2a + fa) & 131071;
    const u32 uga2 = sigpk == 1 ? 0 : ((uga2b >> 16) ? (uga2b >> 7) + 64512 : uga2b >> 7);
    const u32 ula2 = a2 < 32768 ? (65536 - (a2 >> 7)) & 65535 : (65536 - ((a2 >> 7) + 65024)) & 65535;
    return (a2 + uga2 + ula2) & 65535;
}
u32 limcAsWritten(u32 a2t) {
    if (a2t >= 32768 && a2t <= 53248) return 53248;
    if (a2t >= 12288 && a2t <= 32767) return 12288;
    return a2t;
}
u32 upa1AsWritten(u32 pk0, u32 pk1, u32 a1, u32 sigpk) {
    const u32 uga1 = sigpk == 1 ? 0 : ((pk0 ^ pk1) == 0 ? 192 : 65344);
    const u32 ula1 = a1 < 32768 ? (65536 - (a1 >> 8)) & 65535 : (65536 - ((a1 >> 8) + 65280)) & 65535;
    return (a1 + uga1 + ula1) & 65535;
}
u32 upbAsWritten(u32 un, u32 bn, u32 dq) {
    const u32 ugb = (dq & 32767) == 0 ? 0 : (un == 0 ? 128 : 65408);
    const u32 ulb = bn < 32768 ? (65536 - (bn >> 8)) & 65535 : (65536 - ((bn >> 8) + 65280)) & 65535;
    return (bn + ugb + ulb) & 65535;
}

TEST(G726CoefficientUpdates, AgreeWithTheStandardsArithmeticOnEveryInput) {
    for (u32 x = 0; x < 65536; ++x) {
        ASSERT_EQ(limc(x), limcAsWritten(x)) << x;
        for (u32 bits = 0; bits < 8; ++bits) {
            const u32 un = bits & 1, dq = (bits & 2) ? 32768 | 5 : ((bits & 4) ? 32768 : 0);
            ASSERT_EQ(upb(un, x, dq), upbAsWritten(un, x, dq)) << x << " " << bits;
        }
        for (u32 bits = 0; bits < 8; ++bits) {
            ASSERT_EQ(upa1(bits & 1, (bits >> 1) & 1, x, bits >> 2), upa1AsWritten(bits & 1, (bits >> 1) & 1, x, bits >> 2))
                << x << " " << bits;
        }
    }
    // UPA2 over every A1 with A2 at its edges and across its range, and every
    // sign pattern.
    std::vector<u32> a2s = {0, 1, 127, 128, 129, 12287, 12288, 12289, 32767, 32768, 53247, 53248, 53249, 65535};
    for (u32 a2 = 0; a2 < 65536; a2 += 2053) a2s.push_back(a2);
    for (u32 a2 : a2s) {
        for (u32 a1 = 0; a1 < 65536; ++a1) {
            for (u32 bits = 0; bits < 16; ++bits) {
                const u32 pk0 = bits & 1, pk1 = (bits >> 1) & 1, pk2 = (bits >> 2) & 1, sigpk = bits >> 3;
                ASSERT_EQ(upa2(pk0, pk1, pk2, a1, a2, sigpk), upa2AsWritten(pk0, pk1, pk2, a1, a2, sigpk))
                    << a1 << " " << a2 << " " << bits;
            }
        }
    }
}

TEST(G726Filters, AgreeWithTheStandardsArithmeticOnEveryInput) {
    for (u32 fi = 0; fi < 8; ++fi) {
        for (u32 dms = 0; dms < 4096; ++dms) ASSERT_EQ(filta(fi, dms), filtaAsWritten(fi, dms)) << fi << " " << dms;
        for (u32 dml = 0; dml < 16384; ++dml) ASSERT_EQ(filtb(fi, dml), filtbAsWritten(fi, dml)) << fi << " " << dml;
    }
    for (u32 ax = 0; ax < 2; ++ax) {
        for (u32 ap = 0; ap < 1024; ++ap) ASSERT_EQ(filtc(ax, ap), filtcAsWritten(ax, ap)) << ax << " " << ap;
    }
    for (u32 wi = 0; wi < 4096; ++wi) {
        for (u32 y = 0; y < 8192; ++y) ASSERT_EQ(filtd(wi, y), filtdAsWritten(wi, y)) << wi << " " << y;
    }
    // YUP is LIMB's output (544 ... 5120); YL every 19-bit value.
    for (u32 yup = 544; yup <= 5120; yup += 7) {
        for (u32 yl = 0; yl < 524288; yl += 13) ASSERT_EQ(filte(yup, yl), filteAsWritten(yup, yl)) << yup << " " << yl;
    }
}

u32 mixAsWritten(u32 al, u32 yu, u32 yl) {
    const u32 dif = (yu + 16384 - (yl >> 6)) & 16383;
    const u32 difs = dif >> 13;
    const u32 difm = difs ? (16384 - dif) & 8191 : dif;
    const u32 prodm = (difm * al) >> 6;
    const u32 prod = difs ? (16384 - prodm) & 16383 : prodm;
    return ((yl >> 6) + prod) & 8191;
}
u32 transAsWritten(u32 td, u32 yl, u32 dq) {
    const u32 ylint = yl >> 15;
    const u32 ylfrac = (yl >> 10) & 31;
    const u32 thr1 = (32 + ylfrac) << ylint;
    const u32 thr2 = ylint > 8 ? 31 << 9 : thr1;
    const u32 dqthr = (thr2 + (thr2 >> 1)) >> 1;
    return ((dq & 32767) > dqthr && td == 1) ? 1 : 0;
}
u32 subtcAsWritten(u32 dmsp, u32 dmlp, u32 tdp, u32 y) {
    const u32 dif = ((dmsp << 2) + 32768 - dmlp) & 32767;
    const u32 difm = (dif >> 14) ? (32768 - dif) & 16383 : dif;
    return (y >= 1536 && difm < (dmlp >> 3) && tdp == 0) ? 0 : 1;
}

TEST(G726ShortForms, MixTransSubtcAndTheDqTableAgreeWithTheStandardsArithmetic) {
    // MIX over every AL LIMA gives, every YU and a spread of YL.
    for (u32 al = 0; al <= 64; ++al) {
        for (u32 yu = 0; yu < 8192; yu += 7) {
            for (u32 yl = 0; yl < 524288; yl += 4099) ASSERT_EQ(mix(al, yu, yl), mixAsWritten(al, yu, yl)) << al << " " << yu << " " << yl;
        }
    }
    for (u32 yl = 0; yl < 524288; yl += 1024) {  // every threshold
        for (u32 dq = 0; dq < 65536; dq += 7) {
            ASSERT_EQ(trans(1, yl, dq), transAsWritten(1, yl, dq)) << yl << " " << dq;
            ASSERT_EQ(trans(0, yl, dq), 0u);
        }
    }
    for (u32 dmsp = 0; dmsp < 4096; dmsp += 5) {
        for (u32 dmlp = 0; dmlp < 16384; dmlp += 7) {
            for (u32 y : {1535u, 1536u}) {
                ASSERT_EQ(subtc(dmsp, dmlp, 0, y), subtcAsWritten(dmsp, dmlp, 0, y)) << dmsp << " " << dmlp;
                ASSERT_EQ(subtc(dmsp, dmlp, 1, y), 1u);
            }
        }
    }
    for (u32 dql = 0; dql < 4096; ++dql) {
        const DqMagnitude d = dqFromLog(dql);
        ASSERT_EQ(d.mag, antilog(dql, 0)) << dql;
        ASSERT_EQ(d.float_, floata(antilog(dql, 0))) << dql;
        ASSERT_EQ((1u << 10) | d.float_, floata(antilog(dql, 1))) << dql;
    }
}

// The two's complement forms against the standard's forms, the signed values
// given to them as their n-bit patterns.
u32 pattern16(tc::i32 x) { return static_cast<u32>(x) & 65535; }
u32 pattern15(tc::i32 x) { return static_cast<u32>(x) & 32767; }

TEST(G726TwosComplementForms, AgreeWithTheStandardFormsOnEveryInputTheLoopsGive) {
    for (tc::i32 an = -32768; an < 32768; an += an % 64 == 0 ? 1 : 67) {
        for (u32 srn = 0; srn < 2048; ++srn) {
            ASSERT_EQ(pattern16(tc::fmult(an, srn)), fmult(pattern16(an), srn)) << an << " " << srn;
        }
    }
    for (tc::i32 x = -32768; x < 32768; ++x) {
        ASSERT_EQ(tc::floatb(x), floatb(pattern16(x))) << x;
        for (u32 bits = 0; bits < 8; ++bits) {
            const u32 pk0 = bits & 1, pk1 = (bits >> 1) & 1, sigpk = bits >> 2;
            ASSERT_EQ(pattern16(tc::upa1(pk0, pk1, x, sigpk)), upa1(pk0, pk1, pattern16(x), sigpk)) << x << " " << bits;
        }
    }
    // SL is 14-bit, SE 15-bit: every difference SUBTA can give, through LOG.
    for (tc::i32 sl = -8192; sl < 8192; ++sl) {
        for (tc::i32 se = -16384; se < 16384; se += 127) {
            const tc::i32 d = tc::subta(sl, se);
            ASSERT_EQ(pattern16(d), subta(static_cast<u32>(sl) & 16383, pattern15(se))) << sl << " " << se;
            const LogDifference a = tc::log(d), b = log(pattern16(d));
            ASSERT_EQ(a.dl, b.dl) << d;
            ASSERT_EQ(a.ds, b.ds) << d;
        }
    }
    // DQ from every sign and magnitude, SE and SEZ across their 15 bits.
    for (u32 dq = 0; dq < 65536; ++dq) {
        const tc::i32 signedDq = tc::signedDq(dq >> 15, dq & 32767);
        for (tc::i32 se = -16384; se < 16384; se += dq % 4099 == 0 ? 1 : 1031) {
            ASSERT_EQ(pattern16(tc::addb(signedDq, se)), addb(dq, pattern15(se))) << dq << " " << se;
            const PartialSign a = tc::addc(signedDq, se), b = addc(dq, pattern15(se));
            ASSERT_EQ(a.pk0, b.pk0) << dq << " " << se;
            ASSERT_EQ(a.sigpk, b.sigpk) << dq << " " << se;
        }
    }
    // The pole updates and limits over A1 and A2 across what the limits let
    // through, both ends included.
    for (tc::i32 a2 = -32768; a2 < 32768; ++a2) {
        ASSERT_EQ(tc::tone(a2), tone(pattern16(a2))) << a2;
        ASSERT_EQ(pattern16(tc::limc(a2)), limc(pattern16(a2))) << a2;
    }
    for (tc::i32 a2 = -12288; a2 <= 12288; a2 += 96) {
        for (tc::i32 a1 = -27648; a1 <= 27648; a1 += 53) {
            for (u32 bits = 0; bits < 16; ++bits) {
                const u32 pk0 = bits & 1, pk1 = (bits >> 1) & 1, pk2 = (bits >> 2) & 1, sigpk = bits >> 3;
                ASSERT_EQ(pattern16(tc::upa2(pk0, pk1, pk2, a1, a2, sigpk)),
                          upa2(pk0, pk1, pk2, pattern16(a1), pattern16(a2), sigpk)) << a1 << " " << a2 << " " << bits;
            }
        }
        for (tc::i32 a1t = -32768; a1t < 32768; a1t += 5) {
            ASSERT_EQ(pattern16(tc::limd(a1t, a2)), limd(pattern16(a1t), pattern16(a2))) << a1t << " " << a2;
        }
    }
}

}  // namespace
}  // namespace zrc::g726
