// Pages in and out of the core: playback decoding and its 7 -> 11 and
// 8 -> 11 expansion against the ITU-derived vectors, pages as the encoder
// lays them out (the unpacker is tied to the format's bytes through
// pb_exdata), and the WAV fields.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "g726_vectors.h"
#include "page_decode.h"
#include "page_encoder.h"
#include "test_files.h"
#include "unpack.h"
#include "wav_format.h"

namespace zrc {
namespace {

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
    EXPECT_EQ(paged.state(), reference.state());
    ASSERT_EQ(unpackCodes(layout.width, static_cast<int>(layout.payloadBits / 8), static_cast<int>(layout.payloadBits % 8),
                          page.data(), codes.data()),
              static_cast<int>(n));
    codes.resize(n);
    EXPECT_EQ(codes, expected);
    const std::size_t payloadBytes = (layout.payloadBits + 7) / 8;
    if (layout.payloadBits % 8 != 0) { EXPECT_EQ(page[payloadBytes - 1] >> (layout.payloadBits % 8), 0); }
    for (std::size_t k = payloadBytes; k < kPageSize; ++k) {
        ASSERT_EQ(page[k], k == kPageFlagOffset ? (layout.width == 2 ? 1 : 0) : 0xFF) << "byte " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PageLayoutTest,
                         ::testing::Values(kLayout11025, kLayout8000, *freeLayout(4096, 2), *freeLayout(4096, 3),
                                           *freeLayout(4096, 4), *freeLayout(100, 3), *freeLayout(8 * 300 + 5, 4)),
                         [](const auto& p) { return "w" + std::to_string(p.param.width) + "_" + std::to_string(p.param.payloadBits); });

// Samples past the end of the input are coded as all ones and leave the
// state as the present ones left it.
TEST(EncodePage, AllOnesPastTheEndLeavesTheStateAlone) {
    const auto x = speechLikeNoise(1360, 21);
    Encoder e, onlyPresent;
    e.reset();
    onlyPresent.reset();
    std::array<std::uint8_t, kPageSize> page{};
    encodePage(e, x, 1000, kLayout11025, page);
    std::vector<std::uint8_t> expected(1360, 7), codes(1360);
    onlyPresent.encode(x.data(), 1000, 3, expected.data());
    EXPECT_EQ(e.state(), onlyPresent.state());
    unpackCodes(3, 510, 0, page.data(), codes.data());
    EXPECT_EQ(codes, expected);
}

TEST(WavFormat, EightBitMappingAndSizesBeyondTheFields) {
    for (auto [in, out] : {std::pair{-1, 128}, {-256, 127}, {-257, 127}, {-512, 126}, {255, 128}, {256, 129}, {32767, 255}, {-32768, 0}}) EXPECT_EQ(pcm8(static_cast<std::int16_t>(in)), out) << in;
    const auto huge = wavHeader({8000, 2}, 0x1'0000'0010ull);
    const std::vector<std::uint8_t> vh(huge.begin(), huge.end());
    EXPECT_EQ(test::le32At(vh, 4), 0xFFFFFFFFu);
    EXPECT_EQ(test::le32At(vh, 40), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace zrc
