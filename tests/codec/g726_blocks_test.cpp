// Edge cases of the G.726 function blocks that the vectors reach rarely or
// never, checked against values worked out by hand from the standard.
#include <gtest/gtest.h>

#include "adpcm_state.h"
#include "g726_blocks.h"

namespace zrc::g726 {
namespace {

TEST(G726Blocks, FirstPredictionAfterResetIsZeroWithMinimumScale) {
    const Prediction p = predict(AdpcmState::resetState());
    EXPECT_EQ(p.se, 0u);
    EXPECT_EQ(p.sez, 0u);
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

    EXPECT_EQ(limc(12287), 12287u);
    EXPECT_EQ(limc(12288), 12288u);
    EXPECT_EQ(limc(32767), 12288u);
    EXPECT_EQ(limc(32768), 53248u);
    EXPECT_EQ(limc(53248), 53248u);
    EXPECT_EQ(limc(53249), 53249u);

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

TEST(G726Blocks, UpbGainIsZeroForAZeroDifference) {
    for (u32 un : {0u, 1u}) {
        // Sign bit alone is still a zero magnitude: only the leak acts.
        EXPECT_EQ(upb(un, 0, 0), 0u);
        EXPECT_EQ(upb(un, 0, 32768), 0u);
        EXPECT_EQ(upb(un, 256, 32768), 255u);
    }
    EXPECT_EQ(upb(0, 0, 1), 128u);
    EXPECT_EQ(upb(1, 0, 1), 65408u);
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
