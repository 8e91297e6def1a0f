// The decoder and encoder: the ITU-derived vectors on both copies of the
// kernels, out-of-range codes, and the encoder's input scaling against
// floating point. Pages in and out of the core: playback decoding and its
// 7 -> 11 and 8 -> 11 expansion against the vectors, pages as the encoder
// lays them out, WAV sizes beyond the header's fields, and speech through
// the exports and back.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "pagecodec.h"
#include "sample_math.h"
#include "test_files.h"
#include "unpack.h"
#include "wav_builder.h"
#include "wav_format.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

struct Vector { bool encoder; int width; std::string sequence; };
std::string nameOf(const Vector& v) { return (v.encoder ? "enc_w" : "dec_w") + std::to_string(v.width) + "_" + v.sequence; }
void PrintTo(const Vector& v, std::ostream* os) { *os << nameOf(v); }

// Calls run(at, n) over [0, size) in pieces of many lengths, so that each
// kernel meets one-value calls, short tails and long runs.
template <typename Run>
void inPieces(std::size_t size, Run run) {
    constexpr std::array<std::size_t, 6> kLengths{1, 2, 15, 16, 17, 1000};
    for (std::size_t at = 0, k = 0, n = 0; at < size; at += n) {
        n = std::min(kLengths[k++ % kLengths.size()], size - at);
        run(at, n);
    }
}

template <typename T>
std::size_t firstMismatch(const std::vector<T>& got, const std::vector<T>& expected) {
    return static_cast<std::size_t>(std::mismatch(got.begin(), got.end(), expected.begin()).first - got.begin());
}

class CoderVectorTest : public ::testing::TestWithParam<std::tuple<Vector, test::Kernels>> {};

// From a reset, every value in order, the state running on from call to call.
TEST_P(CoderVectorTest, EveryValueMatches) {
    const test::KernelChoice kernels(std::get<1>(GetParam()));
    if (!kernels.available()) GTEST_SKIP() << "this processor or build has no AVX2 kernels";
    const auto& [encoder, w, sequence] = std::get<0>(GetParam());
    if (!encoder) {
        const auto v = test::loadDecoderVector(w, sequence);
        Decoder d;
        d.reset();
        std::vector<std::int16_t> got(v.codes.size());
        inPieces(got.size(), [&](std::size_t at, std::size_t n) { d.decode(v.codes.data() + at, n, w, got.data() + at); });
        EXPECT_EQ(firstMismatch(got, v.steps), got.size()) << "the first output that differs";
        return;
    }
    const auto v = test::loadEncoderVector(w, sequence);
    Encoder e;
    e.reset();
    std::vector<std::uint8_t> got(v.samples.size());
    inPieces(got.size(), [&](std::size_t at, std::size_t n) { e.encode(v.samples.data() + at, n, w, got.data() + at); });
    EXPECT_EQ(firstMismatch(got, v.codes), got.size()) << "the first code that differs";
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
    std::mt19937 rng(5);
    testing::internal::CaptureStdout();
    for (auto c : test::randomCodes(100, 4, rng)) EXPECT_EQ(outOfRange.step(c | 0xA0u, false, 4), masked.step(c, false, 4));
    EXPECT_EQ(outOfRange.step(12, false, 3), masked.step(12 & 7, false, 3));
    EXPECT_EQ(outOfRange.step(0x1F, false, 2), masked.step(3, false, 2));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "reconst-error0!  c\nreconst-error0!  f\n");
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
        const auto codes = test::randomCodes(1 + rng() % 600, width, rng);
        std::array<std::vector<std::int16_t>, 2> out{std::vector<std::int16_t>(codes.size()), std::vector<std::int16_t>(codes.size())};
        for (std::size_t k : {0u, 1u}) {
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
    const auto v = test::loadDecoderVector(c.width, "nrm-a");
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

// The payload holds the vector's codes packed as the format packs them, the
// unused bits of its last byte 0; then 0xFF filler, and byte 512 the flag.
TEST_P(PageLayoutTest, PayloadIsTheVectorsCodesAndTheRestIsTrailer) {
    const PageLayout layout = GetParam();
    const std::uint32_t n = layout.codesPerPage();
    const auto v = test::loadEncoderVector(layout.width, "nrm-a");
    Encoder encoder;
    encoder.reset();
    std::array<std::uint8_t, kPageSize> page{};
    encodePage(encoder, std::span(v.samples.data(), n), n, layout, page);
    const auto payload = test::packCodes({v.codes.begin(), v.codes.begin() + n}, layout.width);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), page.begin()));
    for (std::size_t k = payload.size(); k < kPageSize; ++k) {
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

// --- WAV -> ZRC -> WAV ----------------------------------------------------------
// Recorded speech: the exports make the recording, the core's unpacker and
// decoder play it back, and the signal-to-noise ratio is held to what this
// coder reaches, so that a fault in the scaling, the packing, the page layout
// or the state carried across pages shows as a drop. The bundled sample
// recordings are what the encoder makes of their WAV files, byte for byte.

using Bytes = std::vector<std::uint8_t>;

// The linear samples of a canonical mono WAV file, 8-bit ones moved to the
// 16-bit range as the encoder reads them.
std::vector<std::int16_t> wavSamples(const Bytes& wav) {
    if (wav[34] != 8) return test::samplesOf16BitWav(wav);
    std::vector<std::int16_t> x;
    for (std::size_t k = 44; k < wav.size(); ++k) x.push_back(static_cast<std::int16_t>((wav[k] - 128) * 256));
    return x;
}

// Plays the pages back as a playback decoder does: each unpacked with the
// layout of its type ({width, payload bits}), one decoder run across all,
// every sample doubled.
std::vector<std::int16_t> decodePages(const Bytes& pages, std::array<std::pair<int, int>, 2> layouts) {
    Decoder decoder;
    decoder.reset();
    std::vector<std::int16_t> out, samples(2048);
    std::vector<std::uint8_t> codes(2048);
    for (std::size_t at = 0; at + 528 <= pages.size(); at += 528) {
        const auto [width, bits] = layouts[pages[at + 512] & 1];
        const int n = unpackCodes(width, bits / 8, bits % 8, pages.data() + at, codes.data());
        decoder.decode(codes.data(), static_cast<std::size_t>(n), width, samples.data());
        for (int k = 0; k < n; ++k) out.push_back(doubled(samples[static_cast<std::size_t>(k)]));
    }
    return out;
}

struct RoundTrip {
    std::string wav;    // under tests/data/speech, or a bundled sample
    int width;          // 0: the recorder's layout for the rate
    double minSnrDb;    // half a decibel under what the coder reaches
    bool bundled = false;
};
void PrintTo(const RoundTrip& r, std::ostream* os) { *os << r.wav << " width " << r.width; }

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {
protected:
    test::TempDir m_dir;
};

// The recording made in ranges of 7 pages, as a client showing progress
// would; a bundled sample's recording is byte for byte the one beside it.
TEST_P(RoundTripTest, SpeechComesBackAboveItsNoiseFloor) {
    const RoundTrip& rt = GetParam();
    const std::string wav = rt.bundled ? std::string(ZRC_SAMPLES_DIR) + "/" + rt.wav : test::dataPath("speech/" + rt.wav).string();
    const std::string zrc = m_dir.file("rt.zrc").string();
    const char *w = wav.c_str(), *z = zrc.c_str();
    const std::int32_t size = rt.width == 0 ? wav_zrc_check(w) : wav_zrc_check_f(w, 512, 0, rt.width);
    ASSERT_GE(size, 92);
    const auto usize = static_cast<std::uint32_t>(size);
    ASSERT_EQ(rt.width == 0 ? wav_zrc_mkheader(w, z, usize) : wav_zrc_mkheader_f(w, z, usize, 512, 0, rt.width), 0);
    for (std::uint32_t p = 0, pages = (usize - 92) / 528; p < pages; p += 7) {
        const std::uint32_t n = std::min(7u, pages - p);
        ASSERT_EQ(rt.width == 0 ? wav_zrc_encoder(w, z, p, n) : wav_zrc_encoder_f(w, z, p, n, 512, 0, rt.width), 0);
    }
    const Bytes file = test::readFile(zrc);
    ASSERT_EQ(file.size(), usize);
    if (rt.bundled) { EXPECT_TRUE(file == test::readFile(wav.substr(0, wav.size() - 3) + "zrc")) << "differs from the bundled recording"; }
    std::array<std::pair<int, int>, 2> layouts{{{3, 4080}, {2, 4092}}};  // the recorder's
    if (rt.width != 0) layouts[0] = layouts[1] = {rt.width, 4096 / rt.width * rt.width};
    const std::vector<std::int16_t> x = wavSamples(test::readFile(wav)), y = decodePages(Bytes(file.begin() + 92, file.end()), layouts);
    ASSERT_GE(y.size(), x.size());
    EXPECT_GE(test::roundTripSnrDb(x, y), rt.minSnrDb);
}

INSTANTIATE_TEST_SUITE_P(Speech, RoundTripTest,
                         ::testing::Values(RoundTrip{"memo-11k16.wav", 0, 18.1}, RoundTrip{"memo-11k8.wav", 0, 17.8},
                                           RoundTrip{"memo-8k16.wav", 0, 10.8}, RoundTrip{"greet-8k8.wav", 0, 11.0},
                                           RoundTrip{"memo-11k16.wav", 2, 12.7}, RoundTrip{"memo-11k16.wav", 3, 18.1},
                                           RoundTrip{"memo-11k16.wav", 4, 24.5}, RoundTrip{"memo-8k16.wav", 4, 20.3},
                                           RoundTrip{"greet-11k16.wav", 0, 0, true}, RoundTrip{"greet-8k16.wav", 0, 0, true}));

}  // namespace
}  // namespace zrc
