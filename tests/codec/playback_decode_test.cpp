// Page decoding for playback: sample counts per rate, the 7 -> 11 and
// 8 -> 11 expansion patterns, silence for missing inputs, and the samples
// themselves against the ITU-derived vectors.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "g726_vectors.h"
#include "page_decode.h"

namespace zrc {
namespace {

constexpr std::int16_t kSentinel = 0x5A5A;

struct RateCase {
    int rate;
    int width;
    std::size_t codes;    // codes passed
    std::size_t samples;  // samples expected
    std::size_t perGroupIn;
    std::vector<std::size_t> groupPattern;  // input offset of each output of a group
};

void PrintTo(const RateCase& c, std::ostream* os) { *os << "rate" << c.rate << "_w" << c.width; }

class PlaybackRateTest : public ::testing::TestWithParam<RateCase> {};

// Every output sample is the doubled step result of the input the pattern
// names; the inputs come from the ITU vectors, not from our decoder.
TEST_P(PlaybackRateTest, CountAndExpansionPattern) {
    const RateCase& c = GetParam();
    const auto v = test::loadDecoderVector(c.width, "nrm-a");
    Decoder d;
    d.reset();
    std::vector<std::int16_t> out(kMaxPlaybackSamples + 8, kSentinel);
    ASSERT_EQ(playbackSampleCount(c.rate, c.width, c.codes), c.samples);
    ASSERT_EQ(decodeForPlayback(d, c.rate, c.width, v.codes.data(), c.codes, out.data()), c.samples);
    for (std::size_t o = 0; o < c.samples; ++o) {
        const std::size_t input = (o / 11) * c.perGroupIn + c.groupPattern[o % 11];
        ASSERT_EQ(out[o], test::doubledClipped(v.steps[input])) << "output " << o << " from input " << input;
    }
    EXPECT_EQ(out[c.samples], kSentinel) << "wrote past its count";
}

const std::vector<std::size_t> kOneToOne{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const std::vector<std::size_t> kSeven{0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6};
const std::vector<std::size_t> kEight{0, 0, 1, 2, 3, 3, 4, 5, 6, 6, 7};

INSTANTIATE_TEST_SUITE_P(Rates, PlaybackRateTest,
                         ::testing::Values(RateCase{11, 3, 1360, 1360, 11, kOneToOne},
                                           RateCase{11, 4, 2048, 2048, 11, kOneToOne},
                                           RateCase{8, 2, 2048, 2816, 8, kEight},
                                           RateCase{8, 3, 1360, 1408, 8, kEight},
                                           RateCase{8, 4, 1024, 1408, 8, kEight},
                                           RateCase{7, 2, 2046, 3215, 7, kSeven},
                                           RateCase{7, 3, 2046, 3215, 7, kSeven}),
                         [](const auto& p) {
                             return "rate" + std::to_string(p.param.rate) + "_w" + std::to_string(p.param.width);
                         });

TEST(PlaybackDecode, MissingInputsAreSilence) {
    const auto v = test::loadDecoderVector(2, "nrm-a");
    Decoder d;
    d.reset();
    std::vector<std::int16_t> out(kMaxPlaybackSamples, kSentinel);
    ASSERT_EQ(decodeForPlayback(d, 7, 2, v.codes.data(), 100, out.data()), 3215u);
    // Output 156 is the last from input 99 (group 14 starts at input 98).
    EXPECT_EQ(out[156], test::doubledClipped(v.steps[99]));
    for (std::size_t o = 157; o < out.size(); ++o) ASSERT_EQ(out[o], 0) << o;

    d.reset();
    std::fill(out.begin(), out.end(), kSentinel);
    ASSERT_EQ(decodeForPlayback(d, 8, 3, nullptr, 0, out.data()), 1408u);
    for (std::size_t o = 0; o < 1408; ++o) ASSERT_EQ(out[o], 0) << o;
}

TEST(PlaybackDecode, ExtraCodesAdvanceTheStateButAreNotPlayed) {
    // A rate-8 page of 1,360 3-bit codes plays its first 1,024; the decoder
    // still runs through all 1,360, so the next page continues from there.
    const auto v = test::loadDecoderVector(3, "nrm-a");
    Decoder d;
    d.reset();
    std::array<std::int16_t, kMaxPlaybackSamples> out{};
    decodeForPlayback(d, 8, 3, v.codes.data(), 1360, out.data());
    ASSERT_EQ(decodeForPlayback(d, 11, 3, v.codes.data() + 1360, 100, out.data()), 100u);
    for (std::size_t k = 0; k < 100; ++k) ASSERT_EQ(out[k], test::doubledClipped(v.steps[1360 + k])) << k;
}

TEST(PlaybackDecode, OverloadClipsInsteadOfWrapping) {
    const auto v = test::loadDecoderVector(4, "ovr-a");
    Decoder d;
    d.reset();
    std::array<std::int16_t, kMaxPlaybackSamples> out{};
    decodeForPlayback(d, 11, 4, v.codes.data(), 2048, out.data());
    int clipped = 0;
    for (std::size_t k = 0; k < 2048; ++k) {
        ASSERT_EQ(out[k], test::doubledClipped(v.steps[k])) << k;
        if (std::abs(static_cast<int>(v.steps[k])) >= 16384) ++clipped;
    }
    EXPECT_GT(clipped, 0) << "the overload vector should reach the clipping";
}

TEST(PlaybackDecode, UnsupportedArgumentsDecodeAndWriteNothing) {
    const std::vector<std::uint8_t> codes(2048, 5);
    for (auto [rate, width] : {std::pair{9, 3}, {0, 3}, {16, 2}, {11, 5}, {7, 1}}) {
        Decoder d;
        d.reset();
        std::vector<std::int16_t> out(kMaxPlaybackSamples, kSentinel);
        EXPECT_EQ(playbackSampleCount(rate, width, 2048), 0u);
        EXPECT_EQ(decodeForPlayback(d, rate, width, codes.data(), 2048, out.data()), 0u);
        EXPECT_EQ(d.state(), AdpcmState::resetState()) << "rate " << rate << " width " << width;
        EXPECT_EQ(out[0], kSentinel);
    }
}

TEST(PlaybackDecode, NeverTakesMoreThanAPageOfCodes) {
    const std::vector<std::uint8_t> codes(5000, 1);
    Decoder d;
    d.reset();
    std::vector<std::int16_t> out(kMaxPlaybackSamples + 1, kSentinel);
    EXPECT_EQ(decodeForPlayback(d, 11, 2, codes.data(), codes.size(), out.data()), 2048u);
    EXPECT_EQ(out[2048], kSentinel);
}

// Whole-file decoding's samples, the rate-7 doubling among them, are checked
// code by code through AdpcmDec1 in whole_file_test.cpp.
TEST(NativeDecode, Layouts) {
    struct Row {
        int width, rate;
        std::size_t codes, samples;
    };
    for (const Row& r : {Row{4, 8, 1024, 1024}, Row{3, 11, 1360, 1360}, Row{2, 7, 2046, 2338},
                         Row{2, 8, 2048, 2048}, Row{3, 7, 1360, 1360 + 195}, Row{2, 11, 2046, 2046}}) {
        const auto layout = nativeLayout(r.width, r.rate);
        ASSERT_TRUE(layout) << r.width;
        EXPECT_EQ(layout->codes, r.codes);
        EXPECT_EQ(layout->samples, r.samples) << "width " << r.width << " rate " << r.rate;
        EXPECT_EQ((layout->payloadBytes * 8 + layout->extraBits) / r.width, static_cast<int>(r.codes));
    }
    EXPECT_FALSE(nativeLayout(5, 11));
    // The sample rates per mode and rate code: the WAV headers and refusals
    // of tests/codec/whole_file_test.cpp.
}

}  // namespace
}  // namespace zrc
