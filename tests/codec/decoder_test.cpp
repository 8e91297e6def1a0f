// The decoder step's behaviour as its callers see it: state, reset, widths,
// out-of-range codes and the clipping of its result.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "decoder.h"
#include "isa.h"
#include "sample_math.h"

namespace zrc {
namespace {

std::vector<std::uint8_t> randomCodes(std::size_t n, int width, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> codes(n);
    for (auto& c : codes) c = static_cast<std::uint8_t>(rng() & ((1u << width) - 1));
    return codes;
}

std::vector<std::int16_t> run(Decoder& d, const std::vector<std::uint8_t>& codes, int width) {
    std::vector<std::int16_t> out;
    for (auto c : codes) out.push_back(d.step(c, false, width));
    return out;
}

TEST(Decoder, StartsAtAllZerosAndAResetRepeatsTheSamples) {
    const auto codes = randomCodes(3000, 3, 7);
    Decoder d;
    EXPECT_EQ(d.state(), AdpcmState{});
    EXPECT_NE(d.state(), AdpcmState::resetState());
    d.reset();
    const auto first = run(d, codes, 3);
    const auto carriedOn = run(d, codes, 3);
    d.step(0, true, 3);
    EXPECT_EQ(d.state(), AdpcmState::resetState());
    EXPECT_EQ(run(d, codes, 3), first);
    EXPECT_NE(first, carriedOn) << "without a reset the state runs on";
}

TEST(Decoder, StateCarriesAcrossCallsAndWidths) {
    // Pages decoded one call at a time continue one another exactly, also
    // when the width changes from page to page.
    const auto a = randomCodes(1360, 3, 1);
    const auto b = randomCodes(2046, 2, 2);
    const auto c = randomCodes(1024, 4, 3);
    Decoder whole;
    whole.reset();
    std::vector<std::int16_t> expected = run(whole, a, 3);
    for (auto s : run(whole, b, 2)) expected.push_back(s);
    for (auto s : run(whole, c, 4)) expected.push_back(s);

    Decoder paged;
    paged.reset();
    std::vector<std::int16_t> got(a.size() + b.size() + c.size());
    paged.decode(a.data(), a.size(), 3, got.data());
    paged.decode(b.data(), b.size(), 2, got.data() + a.size());
    paged.decode(c.data(), c.size(), 4, got.data() + a.size() + b.size());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(paged.state(), whole.state());
}

TEST(Decoder, ZeroCodesAtWidth3AfterResetAreSilence) {
    Decoder d;
    d.reset();
    for (int k = 0; k < 5000; ++k) ASSERT_EQ(d.step(0, false, 3), 0) << k;
}

TEST(Decoder, OnlyTheLowFourBitsOfACodeCount) {
    const auto codes = randomCodes(500, 4, 11);
    auto high = codes;
    for (auto& c : high) c = static_cast<std::uint8_t>(c | 0xA0);
    Decoder a, b;
    a.reset();
    b.reset();
    EXPECT_EQ(run(a, codes, 4), run(b, high, 4));
}

TEST(Decoder, OutOfRangeCodeIsReportedAndDecodedMasked) {
    Decoder masked, outOfRange;
    masked.reset();
    outOfRange.reset();
    const std::vector<std::uint8_t> prefix = randomCodes(100, 3, 5);
    run(masked, prefix, 3);
    run(outOfRange, prefix, 3);

    testing::internal::CaptureStdout();
    const std::int16_t got = outOfRange.step(12, false, 3);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "reconst-error0!  c\n");
    EXPECT_EQ(got, masked.step(12 & 7, false, 3));
    EXPECT_EQ(outOfRange.state(), masked.state());

    testing::internal::CaptureStdout();
    outOfRange.step(0x1F, false, 2);  // low 4 bits: 15, above 3
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "reconst-error0!  f\n");

    testing::internal::CaptureStdout();
    outOfRange.step(3, false, 2);
    outOfRange.step(15, false, 4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "codes within range print nothing";
}

TEST(Decoder, Avx2AndBaselineKernelsAgreeOnEveryState) {
    const bool saved = simd::avx2Enabled();
    simd::setAvx2Enabled(true);
    if (!simd::avx2Enabled()) GTEST_SKIP() << "no AVX2 kernels here";
    // Random codes with the width changing every few hundred codes, so the
    // lanes meet states the vectors do not reach.
    std::mt19937 rng(99);
    Decoder vectorised, baseline;
    vectorised.reset();
    baseline.reset();
    for (int chunk = 0; chunk < 200; ++chunk) {
        const int width = 2 + static_cast<int>(rng() % 3);
        const auto codes = randomCodes(1 + rng() % 600, width, static_cast<unsigned>(rng()));
        std::vector<std::int16_t> a(codes.size()), b(codes.size());
        simd::setAvx2Enabled(true);
        vectorised.decode(codes.data(), codes.size(), width, a.data());
        simd::setAvx2Enabled(false);
        baseline.decode(codes.data(), codes.size(), width, b.data());
        ASSERT_EQ(a, b) << "chunk " << chunk;
        ASSERT_EQ(vectorised.state(), baseline.state()) << "chunk " << chunk;
    }
    simd::setAvx2Enabled(saved);
}

TEST(SampleMath, DoublingClipsInsteadOfWrapping) {
    EXPECT_EQ(doubled(1000), 2000);
    EXPECT_EQ(doubled(-16384), -32768);
    EXPECT_EQ(doubled(16383), 32766);
    EXPECT_EQ(doubled(16384), 32767);    // a wrap would give -32768
    EXPECT_EQ(doubled(20000), 32767);    // a wrap would give -25536
    EXPECT_EQ(doubled(-20000), -32768);
    EXPECT_EQ(saturate16(-40000), -32768);
}

}  // namespace
}  // namespace zrc
