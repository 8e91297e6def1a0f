// The decoder and encoder steps: the ITU-derived vectors on both copies of
// the kernels, resets, out-of-range codes, and the encoder's input scaling
// against floating point.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder.h"
#include "encoder.h"
#include "g726_vectors.h"
#include "kernel_choice.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

std::vector<std::uint8_t> randomCodes(std::size_t n, int width, unsigned seed) {
    std::mt19937 rng(seed);
    return test::randomCodes(n, width, rng);
}

std::vector<std::int16_t> stepAll(Decoder& d, const std::vector<std::uint8_t>& codes, int width) {
    std::vector<std::int16_t> out;
    for (auto c : codes) out.push_back(d.step(c, false, width));
    return out;
}

struct Vector {
    bool encoder;
    int width;
    std::string sequence;
};
std::string nameOf(const Vector& v) { return (v.encoder ? "enc_w" : "dec_w") + std::to_string(v.width) + "_" + v.sequence; }

class CoderVectorTest : public ::testing::TestWithParam<std::tuple<Vector, test::Kernels>> {
protected:
    void SetUp() override {
        m_kernels = std::make_unique<test::KernelChoice>(std::get<1>(GetParam()));
        if (!m_kernels->available()) GTEST_SKIP() << "this processor or build has no AVX2 kernels";
    }
    std::unique_ptr<test::KernelChoice> m_kernels;
};

// Reset once, then every value in order, one step at a time and as one run;
// a decoder fed the encoder's codes ends in the encoder's state.
TEST_P(CoderVectorTest, EveryValueMatches) {
    const Vector& vec = std::get<0>(GetParam());
    const int w = vec.width;
    Decoder decoder, run;
    decoder.step(0, true, w);
    run.reset();
    Encoder encoder, whole;
    encoder.step(0, true, w);
    whole.reset();
    if (!vec.encoder) {
        const auto v = test::loadDecoderVector(w, vec.sequence);
        for (std::size_t k = 0; k < v.codes.size(); ++k) {
            ASSERT_EQ(decoder.step(v.codes[k], false, w), v.steps[k]) << nameOf(vec) << ": first mismatch at " << k;
        }
        std::vector<std::int16_t> got(v.codes.size());
        run.decode(v.codes.data(), v.codes.size(), w, got.data());
        EXPECT_EQ(got, v.steps);
        EXPECT_EQ(run.state(), decoder.state());
        return;
    }
    const auto v = test::loadEncoderVector(w, vec.sequence);
    for (std::size_t k = 0; k < v.samples.size(); ++k) {
        ASSERT_EQ(encoder.step(v.samples[k], false, w), v.codes[k]) << nameOf(vec) << ": first mismatch at " << k;
    }
    std::vector<std::uint8_t> codes(v.samples.size());
    whole.encode(v.samples.data(), v.samples.size(), w, codes.data());
    EXPECT_EQ(codes, v.codes);
    run.decode(codes.data(), codes.size(), w, std::vector<std::int16_t>(codes.size()).data());
    EXPECT_EQ(run.state(), encoder.state());
}

std::vector<Vector> allVectors() {
    std::vector<Vector> all;
    for (int w : {2, 3, 4}) {
        for (const char* s : {"nrm-a", "nrm-m", "ovr-a", "ovr-m", "i"}) all.push_back({false, w, s});
        for (const char* s : {"nrm-a", "nrm-m", "ovr-a", "ovr-m"}) all.push_back({true, w, s});
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(ItuSequences, CoderVectorTest,
                         ::testing::Combine(::testing::ValuesIn(allVectors()),
                                            ::testing::Values(test::Kernels::Baseline, test::Kernels::Avx2)),
                         [](const auto& p) {
                             auto n = nameOf(std::get<0>(p.param)) + test::kernelsSuffix(std::get<1>(p.param));
                             for (auto& c : n) c = c == '-' ? '_' : c;
                             return n;
                         });

TEST(Decoder, StartsAtAllZerosAndAResetRepeatsTheSamples) {
    const auto codes = randomCodes(3000, 3, 7);
    Decoder d;
    EXPECT_EQ(d.state(), AdpcmState{});
    d.reset();
    const auto first = stepAll(d, codes, 3);
    const auto carriedOn = stepAll(d, codes, 3);
    d.step(0, true, 3);
    EXPECT_EQ(stepAll(d, codes, 3), first);
    EXPECT_NE(first, carriedOn) << "without a reset the state runs on";
}

// Only the low 4 bits count; a code beyond the width's range is reported and
// decoded as its low bits.
TEST(Decoder, OutOfRangeCodesAreReportedAndDecodedMasked) {
    Decoder masked, outOfRange;
    masked.reset();
    outOfRange.reset();
    testing::internal::CaptureStdout();
    for (auto c : randomCodes(100, 4, 5)) outOfRange.step(c | 0xA0u, false, 4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "codes within range print nothing";
    stepAll(masked, randomCodes(100, 4, 5), 4);
    testing::internal::CaptureStdout();
    const std::int16_t got = outOfRange.step(12, false, 3);
    outOfRange.step(0x1F, false, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "reconst-error0!  c\nreconst-error0!  f\n");
    EXPECT_EQ(got, masked.step(12 & 7, false, 3));
    masked.step(3, false, 2);
    EXPECT_EQ(outOfRange.state(), masked.state());
}

// Random codes with the width changing every few hundred codes, so the lanes
// meet states the vectors do not reach.
TEST(Decoder, Avx2AndBaselineKernelsAgreeOnEveryState) {
    test::KernelChoice choice(test::Kernels::Avx2);
    if (!choice.available()) GTEST_SKIP() << "no AVX2 kernels here";
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
}

TEST(EncoderInput, ScalingAgreesWithFloatingPointForEverySample) {
    for (int v = -32768; v <= 32767; ++v) {
        const double truncated = std::trunc(0.9 * v);
        ASSERT_EQ(scaledInput(static_cast<std::int16_t>(v)), static_cast<std::int32_t>(std::floor(truncated / 4))) << v;
    }
}

}  // namespace
}  // namespace zrc
