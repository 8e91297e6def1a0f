// The encoder step: the ITU-derived vectors, its input scaling against a
// floating-point oracle, the first codes after a reset, and its agreement
// with the decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <memory>

#include "decoder.h"
#include "encoder.h"
#include "g726_vectors.h"
#include "kernel_choice.h"
#include "test_files.h"

namespace zrc {
namespace {

struct EncoderVector {
    int width;
    std::string sequence;  // nrm-a, nrm-m, ovr-a, ovr-m
};

std::string vectorName(const EncoderVector& v) { return "enc-w" + std::to_string(v.width) + "-" + v.sequence; }
void PrintTo(const EncoderVector& v, std::ostream* os) { *os << vectorName(v); }

class EncoderVectorTest : public ::testing::TestWithParam<std::tuple<EncoderVector, test::Kernels>> {
protected:
    void SetUp() override {
        m_kernels = std::make_unique<test::KernelChoice>(std::get<1>(GetParam()));
        if (!m_kernels->available()) GTEST_SKIP() << "this processor or build has no AVX2 kernels";
        const test::EncoderVector v = test::loadEncoderVector(vec().width, vec().sequence);
        m_x = v.samples;
        m_codes = v.codes;
    }
    const EncoderVector& vec() const { return std::get<0>(GetParam()); }
    std::vector<std::int16_t> m_x;
    std::vector<std::uint8_t> m_codes;

private:
    std::unique_ptr<test::KernelChoice> m_kernels;
};

TEST_P(EncoderVectorTest, EveryCodeMatchesAndTheDecoderFollows) {
    const int width = vec().width;
    Encoder encoder;
    encoder.step(0, true, width);
    for (std::size_t k = 0; k < m_x.size(); ++k) {
        ASSERT_EQ(encoder.step(m_x[k], false, width), m_codes[k])
            << vectorName(vec()) << ": first mismatch at sample " << k;
    }

    // A whole run gives the same codes, and a decoder fed them adapts
    // exactly as the encoder did.
    Encoder run;
    run.reset();
    std::vector<std::uint8_t> codes(m_x.size());
    run.encode(m_x.data(), m_x.size(), width, codes.data());
    EXPECT_EQ(codes, m_codes);
    Decoder decoder;
    decoder.reset();
    std::vector<std::int16_t> out(codes.size());
    decoder.decode(codes.data(), codes.size(), width, out.data());
    EXPECT_EQ(decoder.state(), encoder.state());
}

INSTANTIATE_TEST_SUITE_P(
    ItuSequences, EncoderVectorTest,
    ::testing::Combine(::testing::Values(EncoderVector{2, "nrm-a"}, EncoderVector{2, "nrm-m"}, EncoderVector{2, "ovr-a"},
                      EncoderVector{2, "ovr-m"}, EncoderVector{3, "nrm-a"}, EncoderVector{3, "nrm-m"},
                      EncoderVector{3, "ovr-a"}, EncoderVector{3, "ovr-m"}, EncoderVector{4, "nrm-a"},
                      EncoderVector{4, "nrm-m"}, EncoderVector{4, "ovr-a"}, EncoderVector{4, "ovr-m"}),
                       ::testing::Values(test::Kernels::Baseline, test::Kernels::Avx2)),
    [](const auto& p) {
        auto n = vectorName(std::get<0>(p.param)) + test::kernelsSuffix(std::get<1>(p.param));
        for (auto& c : n) {
            if (c == '-') c = '_';
        }
        return n;
    });

TEST(EncoderInput, ScalingAgreesWithFloatingPointForEverySample) {
    for (int v = -32768; v <= 32767; ++v) {
        const auto x = static_cast<std::int16_t>(v);
        const double truncated = std::trunc(0.9 * v);
        ASSERT_EQ(attenuated(x), static_cast<std::int32_t>(truncated)) << v;
        const auto sl = static_cast<std::int32_t>(std::floor(truncated / 4));
        ASSERT_EQ(scaledInput(x), sl) << v;
        ASSERT_GE(sl, -8192);  // within SL's 14 bits
        ASSERT_LT(sl, 8192);
    }
}

class EncoderAfterReset : public ::testing::TestWithParam<int> {};

TEST_P(EncoderAfterReset, FirstCodes) {
    const int width = GetParam();
    const int zeroCode[] = {0, 7, 15};
    const int thousandCode[] = {1, 3, 7};  // SL 225, DLN 857 with Y = 544
    Encoder e;
    e.step(0, true, width);
    EXPECT_EQ(e.step(0, false, width), zeroCode[width - 2]);
    e.step(0, true, width);
    EXPECT_EQ(e.step(1000, false, width), thousandCode[width - 2]);
}

TEST_P(EncoderAfterReset, ResetRepeatsTheCodesAndANewEncoderIsNotReset) {
    const int width = GetParam();
    std::mt19937 rng(42);
    std::vector<std::int16_t> x(4000);
    for (auto& s : x) s = static_cast<std::int16_t>(static_cast<int>(rng() % 20001) - 10000);

    Encoder e;
    EXPECT_EQ(e.state(), AdpcmState{});
    std::vector<std::uint8_t> first(x.size()), again(x.size()), carried(x.size());
    e.step(0, true, width);
    EXPECT_EQ(e.state(), AdpcmState::resetState());
    e.encode(x.data(), x.size(), width, first.data());
    e.encode(x.data(), x.size(), width, carried.data());
    e.reset();
    e.encode(x.data(), x.size(), width, again.data());
    EXPECT_EQ(first, again);
    EXPECT_NE(first, carried) << "without a reset the state runs on";
}

INSTANTIATE_TEST_SUITE_P(Widths, EncoderAfterReset, ::testing::Values(2, 3, 4));

}  // namespace
}  // namespace zrc
