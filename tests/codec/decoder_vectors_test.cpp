// The decoder step against vectors derived from the ITU-T G.726 test
// sequences: reset once, then every code in order, every result compared,
// on both copies of the kernels.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "decoder.h"
#include "g726_vectors.h"
#include "kernel_choice.h"

namespace zrc {
namespace {

struct VectorName {
    int width;
    std::string sequence;  // nrm-a, nrm-m, ovr-a, ovr-m, i
};

std::string nameOf(const VectorName& v) { return "dec-w" + std::to_string(v.width) + "-" + v.sequence; }
void PrintTo(const VectorName& v, std::ostream* os) { *os << nameOf(v); }

class DecoderVectorTest : public ::testing::TestWithParam<std::tuple<VectorName, test::Kernels>> {
protected:
    void SetUp() override {
        m_kernels = std::make_unique<test::KernelChoice>(std::get<1>(GetParam()));
        if (!m_kernels->available()) GTEST_SKIP() << "this processor or build has no AVX2 kernels";
        m_vector = test::loadDecoderVector(width(), std::get<0>(GetParam()).sequence);
    }
    int width() const { return std::get<0>(GetParam()).width; }
    test::DecoderVector m_vector;

private:
    std::unique_ptr<test::KernelChoice> m_kernels;
};

TEST_P(DecoderVectorTest, EveryReconstructedValueMatches) {
    Decoder decoder;
    decoder.step(0, true, width());
    for (std::size_t k = 0; k < m_vector.codes.size(); ++k) {
        ASSERT_EQ(decoder.step(m_vector.codes[k], false, width()), m_vector.steps[k])
            << nameOf(std::get<0>(GetParam())) << ": first mismatch at sample " << k;
    }
    // A whole run in one call gives the same values.
    Decoder run;
    run.reset();
    std::vector<std::int16_t> got(m_vector.codes.size());
    run.decode(m_vector.codes.data(), m_vector.codes.size(), width(), got.data());
    EXPECT_EQ(got, m_vector.steps);
    EXPECT_EQ(run.state(), decoder.state());
}

INSTANTIATE_TEST_SUITE_P(
    ItuSequences, DecoderVectorTest,
    ::testing::Combine(::testing::Values(VectorName{2, "nrm-a"}, VectorName{2, "nrm-m"}, VectorName{2, "ovr-a"},
                                         VectorName{2, "ovr-m"}, VectorName{2, "i"}, VectorName{3, "nrm-a"},
                                         VectorName{3, "nrm-m"}, VectorName{3, "ovr-a"}, VectorName{3, "ovr-m"},
                                         VectorName{3, "i"}, VectorName{4, "nrm-a"}, VectorName{4, "nrm-m"},
                                         VectorName{4, "ovr-a"}, VectorName{4, "ovr-m"}, VectorName{4, "i"}),
                       ::testing::Values(test::Kernels::Baseline, test::Kernels::Avx2)),
    [](const auto& p) {
        auto n = nameOf(std::get<0>(p.param)) + test::kernelsSuffix(std::get<1>(p.param));
        for (auto& c : n) {
            if (c == '-') c = '_';
        }
        return n;
    });

// The overload vectors reach |SR| above 8191, where SR x 4 leaves the 16-bit
// range: the step clips there instead of wrapping to the opposite sign.
TEST(DecoderSaturation, OverloadSequencesClipAtFullScale) {
    int clipped = 0;
    for (int width : {2, 3, 4}) {
        for (std::int16_t s : test::loadDecoderVector(width, "ovr-a").steps) clipped += (s == 32767 || s == -32768);
    }
    EXPECT_GT(clipped, 0) << "the overload sequences should exercise the clipping";
}

}  // namespace
}  // namespace zrc
