// The decoder step against vectors derived from the ITU-T G.726 test
// sequences: reset once, then every code in order, every result compared.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <memory>

#include "decoder.h"
#include "kernel_choice.h"
#include "test_files.h"

namespace zrc {
namespace {

struct DecoderVector {
    int width;
    std::string sequence;  // nrm-a, nrm-m, ovr-a, ovr-m, i
};

using test::Kernels;

std::string vectorName(const DecoderVector& v) {
    return "dec-w" + std::to_string(v.width) + "-" + v.sequence;
}

std::vector<std::int16_t> readS16(const std::filesystem::path& path) {
    const auto bytes = test::readFile(path);
    std::vector<std::int16_t> out(bytes.size() / 2);
    for (std::size_t k = 0; k < out.size(); ++k) {
        out[k] = static_cast<std::int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
    }
    return out;
}

void PrintTo(const DecoderVector& v, std::ostream* os) { *os << vectorName(v); }

class DecoderVectorTest : public ::testing::TestWithParam<std::tuple<DecoderVector, Kernels>> {
protected:
    void SetUp() override {
        m_kernels = std::make_unique<test::KernelChoice>(std::get<1>(GetParam()));
        if (!m_kernels->available()) GTEST_SKIP() << "this processor or build has no AVX2 kernels";
    }
    const DecoderVector& vec() const { return std::get<0>(GetParam()); }

private:
    std::unique_ptr<test::KernelChoice> m_kernels;
};

TEST_P(DecoderVectorTest, EveryReconstructedValueMatches) {
    const auto name = vectorName(vec());
    const auto codes = test::readFile(test::dataPath("g726/" + name + ".codes.u8"));
    const auto expected = readS16(test::dataPath("g726/" + name + ".out.s16le"));
    ASSERT_EQ(codes.size(), expected.size());
    ASSERT_GT(codes.size(), 0u);

    Decoder decoder;
    decoder.step(0, true, vec().width);
    for (std::size_t k = 0; k < codes.size(); ++k) {
        const std::int16_t got = decoder.step(codes[k], false, vec().width);
        ASSERT_EQ(got, expected[k]) << name << ": first mismatch at sample " << k;
    }
}

TEST_P(DecoderVectorTest, WholeRunMatchesStepByStep) {
    const auto name = vectorName(vec());
    const auto codes = test::readFile(test::dataPath("g726/" + name + ".codes.u8"));
    const auto expected = readS16(test::dataPath("g726/" + name + ".out.s16le"));

    Decoder decoder;
    decoder.reset();
    std::vector<std::int16_t> got(codes.size());
    decoder.decode(codes.data(), codes.size(), vec().width, got.data());
    EXPECT_EQ(got, expected) << name;
}

INSTANTIATE_TEST_SUITE_P(
    ItuSequences, DecoderVectorTest,
    ::testing::Combine(::testing::Values(DecoderVector{2, "nrm-a"}, DecoderVector{2, "nrm-m"}, DecoderVector{2, "ovr-a"},
                      DecoderVector{2, "ovr-m"}, DecoderVector{2, "i"}, DecoderVector{3, "nrm-a"},
                      DecoderVector{3, "nrm-m"}, DecoderVector{3, "ovr-a"}, DecoderVector{3, "ovr-m"},
                      DecoderVector{3, "i"}, DecoderVector{4, "nrm-a"}, DecoderVector{4, "nrm-m"},
                      DecoderVector{4, "ovr-a"}, DecoderVector{4, "ovr-m"}, DecoderVector{4, "i"}),
                       ::testing::Values(Kernels::Baseline, Kernels::Avx2)),
    [](const auto& p) {
        auto n = vectorName(std::get<0>(p.param)) + test::kernelsSuffix(std::get<1>(p.param));
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
        const auto codes = test::readFile(test::dataPath("g726/dec-w" + std::to_string(width) + "-ovr-a.codes.u8"));
        Decoder decoder;
        decoder.reset();
        for (std::uint8_t code : codes) {
            const std::int16_t s = decoder.step(code, false, width);
            clipped += (s == 32767 || s == -32768) ? 1 : 0;
        }
    }
    EXPECT_GT(clipped, 0) << "the overload sequences should exercise the clipping";
}

}  // namespace
}  // namespace zrc
