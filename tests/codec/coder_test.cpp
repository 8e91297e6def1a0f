// The decoder and encoder steps: the ITU-derived vectors on both copies of
// the kernels, out-of-range codes, and the encoder's input scaling against
// floating point. Pages in and out of the core: playback decoding and its
// 7 -> 11 and 8 -> 11 expansion against the vectors, pages as the encoder
// lays them out (the unpacker is tied to the format's bytes through
// pb_exdata), and the WAV fields.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "decoder.h"
#include "encoder.h"
#include "g726_vectors.h"
#include "kernel_choice.h"
#include "page_decode.h"
#include "page_encoder.h"
#include "test_files.h"
#include "unpack.h"
#include "wav_format.h"
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

struct Vector { bool encoder; int width; std::string sequence; };
std::string nameOf(const Vector& v) { return (v.encoder ? "enc_w" : "dec_w") + std::to_string(v.width) + "_" + v.sequence; }
void PrintTo(const Vector& v, std::ostream* os) { *os << nameOf(v); }

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

// A new decoder holds all zeros, not the reset state. Only the low 4 bits
// of a code count; a code beyond the width's range is reported and decoded
// as its low bits.
TEST(Decoder, OutOfRangeCodesAreReportedAndDecodedMasked) {
    Decoder masked, outOfRange;
    EXPECT_EQ(masked.state(), AdpcmState{});
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

// --- Pages ---------------------------------------------------------------------

constexpr std::int16_t kSentinel = 0x5A5A;

struct RateCase {
    int rate, width;
    const char* sequence;
    std::size_t codes, samples, perGroupIn;
    std::vector<std::size_t> groupPattern;  // input offset of each output of a group of 11
};
void PrintTo(const RateCase& c, std::ostream* os) { *os << "rate" << c.rate << "_w" << c.width; }

class PlaybackRateTest : public ::testing::TestWithParam<RateCase> {};

// Every output sample is the doubled (and clipped) step result of the input
// the pattern names; inputs past the codes given are silence.
TEST_P(PlaybackRateTest, CountAndExpansionPattern) {
    const RateCase& c = GetParam();
    const auto v = test::loadDecoderVector(c.width, c.sequence);
    for (std::size_t given : {c.codes, c.rate == 11 ? c.codes : std::size_t{100}}) {
        Decoder d;
        d.reset();
        std::vector<std::int16_t> out(kMaxPlaybackSamples + 8, kSentinel);
        ASSERT_EQ(decodeForPlayback(d, c.rate, c.width, v.codes.data(), given, out.data()), c.samples);
        for (std::size_t o = 0; o < c.samples; ++o) {
            const std::size_t input = (o / 11) * c.perGroupIn + c.groupPattern[o % 11];
            ASSERT_EQ(out[o], input < given ? test::doubledClipped(v.steps[input]) : 0) << "output " << o << " of " << given;
        }
        EXPECT_EQ(out[c.samples], kSentinel) << "wrote past its count";
    }
}

const std::vector<std::size_t> kOneToOne{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const std::vector<std::size_t> kSeven{0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6};
const std::vector<std::size_t> kEight{0, 0, 1, 2, 3, 3, 4, 5, 6, 6, 7};

INSTANTIATE_TEST_SUITE_P(Rates, PlaybackRateTest,
                         ::testing::Values(RateCase{11, 3, "nrm-a", 1360, 1360, 11, kOneToOne},
                                           RateCase{11, 4, "ovr-a", 2048, 2048, 11, kOneToOne},
                                           RateCase{8, 2, "nrm-a", 2048, 2816, 8, kEight},
                                           RateCase{8, 3, "nrm-a", 1360, 1408, 8, kEight},
                                           RateCase{8, 4, "nrm-a", 1024, 1408, 8, kEight},
                                           RateCase{7, 2, "nrm-a", 2046, 3215, 7, kSeven},
                                           RateCase{7, 3, "nrm-a", 2046, 3215, 7, kSeven}),
                         [](const auto& p) { return "rate" + std::to_string(p.param.rate) + "_w" + std::to_string(p.param.width); });

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

TEST(PlaybackDecode, UnsupportedArgumentsAndLongInputs) {
    const std::vector<std::uint8_t> codes(5000, 1);
    for (auto [rate, width] : {std::pair{9, 3}, {0, 3}, {16, 2}, {11, 5}, {7, 1}, {11, 2}}) {
        Decoder d;
        d.reset();
        std::vector<std::int16_t> out(kMaxPlaybackSamples + 1, kSentinel);
        const std::size_t expected = rate == 11 && width == 2 ? 2048 : 0;  // never more than a page of codes
        EXPECT_EQ(decodeForPlayback(d, rate, width, codes.data(), codes.size(), out.data()), expected);
        EXPECT_EQ(d.state() == AdpcmState::resetState(), expected == 0) << "rate " << rate << " width " << width;
        EXPECT_EQ(out[expected], kSentinel) << "rate " << rate << " width " << width;
    }
}

// A random walk keeps neighbouring samples related, as speech does.
std::vector<std::int16_t> speechLikeNoise(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::int16_t> x(n);
    int v = 0;
    for (auto& s : x) s = static_cast<std::int16_t>(v = std::clamp(v + static_cast<int>(rng() % 4001) - 2000, -30000, 30000));
    return x;
}

class PageLayoutTest : public ::testing::TestWithParam<PageLayout> {};

// The payload unpacks to the codes of the encoder run over the page's
// samples; the unused bits of the last payload byte are 0, the filler 0xFF,
// and byte 512 the flag.
TEST_P(PageLayoutTest, PayloadUnpacksToTheEncodersCodesAndTheRestIsTrailer) {
    const PageLayout layout = GetParam();
    const std::uint32_t n = layout.codesPerPage();
    const auto x = speechLikeNoise(n, 11);
    Encoder paged, reference;
    paged.reset();
    reference.reset();
    std::array<std::uint8_t, kPageSize> page{};
    encodePage(paged, x, n, layout, page);
    std::vector<std::uint8_t> expected(n), codes(kMaxCodesPerPage);
    reference.encode(x.data(), n, layout.width, expected.data());
    const auto bytes = static_cast<int>(layout.payloadBits / 8), bits = static_cast<int>(layout.payloadBits % 8);
    ASSERT_EQ(unpackCodes(layout.width, bytes, bits, page.data(), codes.data()), static_cast<int>(n));
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), codes.begin()));
    if (bits != 0) { EXPECT_EQ(page[static_cast<std::size_t>(bytes)] >> bits, 0); }
    for (auto k = static_cast<std::size_t>(bytes + (bits != 0)); k < kPageSize; ++k) {
        ASSERT_EQ(page[k], k == kPageFlagOffset ? (layout.width == 2 ? 1 : 0) : 0xFF) << "byte " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PageLayoutTest,
                         ::testing::Values(kLayout11025, kLayout8000, *freeLayout(4096, 2), *freeLayout(4096, 3),
                                           *freeLayout(4096, 4), *freeLayout(100, 3), *freeLayout(8 * 300 + 5, 4)),
                         [](const auto& p) { return "w" + std::to_string(p.param.width) + "_" + std::to_string(p.param.payloadBits); });

TEST(WavFormat, EightBitMappingAndSizesBeyondTheFields) {
    for (auto [in, out] : {std::pair{-1, 128}, {-256, 127}, {-257, 127}, {-512, 126}, {255, 128}, {256, 129}, {32767, 255}, {-32768, 0}}) EXPECT_EQ(pcm8(static_cast<std::int16_t>(in)), out) << in;
    const auto huge = wavHeader({8000, 2}, 0x1'0000'0010ull);
    const std::vector<std::uint8_t> vh(huge.begin(), huge.end());
    EXPECT_EQ(test::le32At(vh, 4), 0xFFFFFFFFu);
    EXPECT_EQ(test::le32At(vh, 40), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace zrc
