// The decoder and encoder steps: the ITU-derived vectors on both copies of
// the kernels, out-of-range codes, and the encoder's input scaling against
// floating point. Pages in and out of the core: playback decoding and its
// 7 -> 11 and 8 -> 11 expansion against the vectors, pages as the encoder
// lays them out, and WAV sizes beyond the header's fields.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "decoder.h"
#include "encoder.h"
#include "g726_vectors.h"
#include "kernel_choice.h"
#include "page_decode.h"
#include "page_encoder.h"
#include "signals.h"
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

struct Vector { bool encoder; int width; std::string sequence; };
std::string nameOf(const Vector& v) { return (v.encoder ? "enc_w" : "dec_w") + std::to_string(v.width) + "_" + v.sequence; }
void PrintTo(const Vector& v, std::ostream* os) { *os << nameOf(v); }

class CoderVectorTest : public ::testing::TestWithParam<std::tuple<Vector, test::Kernels>> {};

// Reset by the step's flag once, then every value in order, one step at a
// time; the same from reset() as one run through the kernels.
TEST_P(CoderVectorTest, EveryValueMatches) {
    const test::KernelChoice kernels(std::get<1>(GetParam()));
    if (!kernels.available()) GTEST_SKIP() << "this processor or build has no AVX2 kernels";
    const auto& [encoder, w, sequence] = std::get<0>(GetParam());
    if (!encoder) {
        const auto v = test::loadDecoderVector(w, sequence);
        Decoder stepped, run;
        stepped.step(0, true, w);
        run.reset();
        for (std::size_t k = 0; k < v.codes.size(); ++k) {
            ASSERT_EQ(stepped.step(v.codes[k], false, w), v.steps[k]) << nameOf({encoder, w, sequence}) << ": first mismatch at " << k;
        }
        std::vector<std::int16_t> got(v.codes.size());
        run.decode(v.codes.data(), v.codes.size(), w, got.data());
        EXPECT_EQ(got, v.steps);
        EXPECT_EQ(run.state(), stepped.state());
        return;
    }
    const auto v = test::loadEncoderVector(w, sequence);
    Encoder stepped, run;
    stepped.step(0, true, w);
    run.reset();
    for (std::size_t k = 0; k < v.samples.size(); ++k) {
        ASSERT_EQ(stepped.step(v.samples[k], false, w), v.codes[k]) << nameOf({encoder, w, sequence}) << ": first mismatch at " << k;
    }
    std::vector<std::uint8_t> codes(v.samples.size());
    run.encode(v.samples.data(), v.samples.size(), w, codes.data());
    EXPECT_EQ(codes, v.codes);
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
    const std::int16_t got = outOfRange.step(12, false, 3);
    outOfRange.step(0x1F, false, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "reconst-error0!  c\nreconst-error0!  f\n");
    for (auto c : randomCodes(100, 4, 5)) masked.step(c, false, 4);
    EXPECT_EQ(got, masked.step(12 & 7, false, 3));
    masked.step(3, false, 2);
    EXPECT_EQ(outOfRange.state(), masked.state());
}

// Random codes with the width changing every few hundred codes, so that the
// lanes meet states the vectors do not reach.
TEST(Decoder, Avx2AndBaselineKernelsAgreeOnEveryState) {
    test::KernelChoice choice(test::Kernels::Avx2);
    if (!choice.available()) GTEST_SKIP() << "no AVX2 kernels here";
    std::mt19937 rng(99);
    std::array<Decoder, 2> decoders;  // AVX2, baseline
    for (auto& d : decoders) d.reset();
    for (int chunk = 0; chunk < 200; ++chunk) {
        const int width = 2 + static_cast<int>(rng() % 3);
        const auto codes = randomCodes(1 + rng() % 600, width, static_cast<unsigned>(rng()));
        std::array<std::vector<std::int16_t>, 2> out{std::vector<std::int16_t>(codes.size()), std::vector<std::int16_t>(codes.size())};
        for (int k : {0, 1}) {
            simd::setAvx2Enabled(k == 0);
            decoders[k].decode(codes.data(), codes.size(), width, out[k].data());
        }
        ASSERT_EQ(out[0], out[1]) << "chunk " << chunk;
        ASSERT_EQ(decoders[0].state(), decoders[1].state()) << "chunk " << chunk;
    }
}

TEST(EncoderInput, ScalingAgreesWithFloatingPointForEverySample) {
    for (int v = -32768; v <= 32767; ++v) {
        ASSERT_EQ(scaledInput(static_cast<std::int16_t>(v)), static_cast<std::int32_t>(std::floor(std::trunc(0.9 * v) / 4))) << v;
    }
}

// --- Pages ---------------------------------------------------------------------

constexpr std::int16_t kSentinel = 0x5A5A;

struct RateCase {
    int rate, width;
    std::size_t codes, samples, perGroupIn;
    std::vector<std::size_t> groupPattern;  // input offset of each output of a group of 11
};
void PrintTo(const RateCase& c, std::ostream* os) { *os << "rate" << c.rate << "_w" << c.width << "_" << c.codes; }

class PlaybackRateTest : public ::testing::TestWithParam<RateCase> {};

// Every output sample is the doubled (and clipped) step result of the input
// the pattern names; inputs past the codes given are silence, those past a
// page are left out. Codes given but not played still advance the decoder.
TEST_P(PlaybackRateTest, CountAndExpansionPattern) {
    const RateCase& c = GetParam();
    const auto v = test::loadDecoderVector(c.width, c.width == 4 ? "ovr-a" : "nrm-a");
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
        if (given > 2048) continue;
        ASSERT_EQ(decodeForPlayback(d, 11, c.width, v.codes.data() + given, 100, out.data()), 100u);
        for (std::size_t k = 0; k < 100; ++k) ASSERT_EQ(out[k], test::doubledClipped(v.steps[given + k])) << "next page " << k;
    }
}

const std::vector<std::size_t> kOneToOne{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const std::vector<std::size_t> kSeven{0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6};
const std::vector<std::size_t> kEight{0, 0, 1, 2, 3, 3, 4, 5, 6, 6, 7};

INSTANTIATE_TEST_SUITE_P(Rates, PlaybackRateTest,
                         ::testing::Values(RateCase{11, 3, 1360, 1360, 11, kOneToOne}, RateCase{11, 4, 2048, 2048, 11, kOneToOne},
                                           RateCase{11, 2, 5000, 2048, 11, kOneToOne}, RateCase{8, 2, 2048, 2816, 8, kEight},
                                           RateCase{8, 3, 1360, 1408, 8, kEight}, RateCase{8, 4, 1024, 1408, 8, kEight},
                                           RateCase{7, 2, 2046, 3215, 7, kSeven}, RateCase{7, 3, 2046, 3215, 7, kSeven}),
                         [](const auto& p) {
                             return "rate" + std::to_string(p.param.rate) + "_w" + std::to_string(p.param.width) + "_" + std::to_string(p.param.codes);
                         });

class PageLayoutTest : public ::testing::TestWithParam<PageLayout> {};

// The payload unpacks to the codes of the encoder run over the page's
// samples; the unused bits of the last payload byte are 0, the filler 0xFF,
// and byte 512 the flag.
TEST_P(PageLayoutTest, PayloadUnpacksToTheEncodersCodesAndTheRestIsTrailer) {
    const PageLayout layout = GetParam();
    const std::uint32_t n = layout.codesPerPage();
    const auto x = test::saw(n);
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
                         ::testing::Values(kLayout11025, kLayout8000, *freeLayout(4096, 4), *freeLayout(100, 3), *freeLayout(8 * 300 + 5, 4)),
                         [](const auto& p) { return "w" + std::to_string(p.param.width) + "_" + std::to_string(p.param.payloadBits); });

TEST(WavFormat, SizesBeyondTheFieldsHoldAtTheTop) {
    const auto huge = wavHeader({8000, 2}, 0x1'0000'0010ull);
    const std::vector<std::uint8_t> h(huge.begin(), huge.end());
    EXPECT_EQ(std::make_pair(test::le32At(h, 4), test::le32At(h, 40)), std::make_pair(0xFFFFFFFFu, 0xFFFFFFFFu));
}

}  // namespace
}  // namespace zrc
