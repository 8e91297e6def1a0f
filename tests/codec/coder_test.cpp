// The coder against the ITU-derived vectors on both kernels; playback's 7 -> 11 and 8 -> 11 stretch; speech round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "decoder.h"
#include "encoder.h"
#include "g726_vectors.h"
#include "isa.h"
#include "page_decode.h"
#include "pagecodec.h"
#include "sample_math.h"
#include "test_files.h"
#include "unpack.h"
#include "wav_builder.h"
#include "wav_format.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

struct KernelChoice {  // the AVX2 or the baseline kernels for the life of the object
    explicit KernelChoice(bool avx2) : saved(simd::avx2Enabled()) { simd::setAvx2Enabled(avx2); }
    ~KernelChoice() { simd::setAvx2Enabled(saved); }
    bool saved;
};

struct Vector { bool encoder; int width; std::string sequence; bool avx2; };

class CoderVectorTest : public ::testing::TestWithParam<Vector> {};

// The index of the coder's first output that differs from the vector's, from a reset, the inputs given in pieces
// of many lengths so that each kernel meets one-value calls, short tails and long runs.
template <typename Coder, typename In, typename Out>
std::ptrdiff_t firstDifference(const std::vector<In>& in, const std::vector<Out>& expected, int width) {
    Coder coder;
    coder.reset();
    std::vector<Out> got(in.size());
    constexpr std::array<std::size_t, 6> kLengths{1, 2, 15, 16, 17, 1000};
    for (std::size_t at = 0, k = 0, n = 0; at < in.size(); at += n) {
        n = std::min(kLengths[k++ % kLengths.size()], in.size() - at);
        if constexpr (std::is_same_v<Coder, Encoder>) coder.encode(in.data() + at, n, width, got.data() + at);
        else coder.decode(in.data() + at, n, width, got.data() + at);
    }
    return std::mismatch(got.begin(), got.end(), expected.begin()).first - got.begin();
}

TEST_P(CoderVectorTest, EveryValueMatches) {
    const auto& [encoder, w, sequence, avx2] = GetParam();
    const KernelChoice kernels(avx2);
    if (simd::avx2Enabled() != avx2) GTEST_SKIP() << "this processor or build has no AVX2 kernels";
    if (encoder) {
        const auto v = test::loadEncoderVector(w, sequence);
        EXPECT_EQ(firstDifference<Encoder>(v.samples, v.codes, w), std::ssize(v.codes)) << "the first code that differs";
    } else {
        const auto v = test::loadDecoderVector(w, sequence);
        EXPECT_EQ(firstDifference<Decoder>(v.codes, v.steps, w), std::ssize(v.steps)) << "the first output that differs";
    }
}

std::vector<Vector> allVectors() {
    std::vector<Vector> all;
    for (bool avx2 : {false, true}) {
        for (int w : {2, 3, 4}) {
            for (const std::string s : {"nrm-a", "nrm-m", "ovr-a", "ovr-m", "i"}) all.push_back({false, w, s, avx2});
            for (const std::string s : {"nrm-a", "nrm-m", "ovr-a", "ovr-m"}) all.push_back({true, w, s, avx2});
        }
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(ItuSequences, CoderVectorTest, ::testing::ValuesIn(allVectors()), [](const auto& p) {
    std::string n = (p.param.encoder ? "enc_w" : "dec_w") + std::to_string(p.param.width) + "_" + p.param.sequence;
    std::replace(n.begin(), n.end(), '-', '_');
    return n + (p.param.avx2 ? "_avx2" : "_baseline");
});

// A new decoder holds zeros, not the reset state; a code beyond its width is reported and decoded as its low bits.
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

// Random codes with the width changing every few hundred codes, so that the lanes meet states the vectors do not
// reach.
TEST(Decoder, Avx2AndBaselineKernelsAgreeOnEveryState) {
    if (const KernelChoice probe(true); !simd::avx2Enabled()) GTEST_SKIP() << "this processor or build has no AVX2 kernels";
    std::mt19937 rng(99);
    std::array<Decoder, 2> decoders;  // AVX2, baseline
    for (auto& d : decoders) d.reset();
    for (int chunk = 0; chunk < 200; ++chunk) {
        const int width = 2 + static_cast<int>(rng() % 3);
        const auto codes = test::randomCodes(1 + rng() % 600, width, rng);
        std::array<std::vector<std::int16_t>, 2> out;
        for (std::size_t k : {0u, 1u}) {
            const KernelChoice kernels(k == 0);
            out[k].resize(codes.size());
            decoders[k].decode(codes.data(), codes.size(), width, out[k].data());
        }
        ASSERT_EQ(out[0], out[1]) << "chunk " << chunk;
        ASSERT_EQ(decoders[0].state(), decoders[1].state()) << "chunk " << chunk;
    }
}

struct RateCase { int rate, width; std::size_t codes, samples; };

class PlaybackRateTest : public ::testing::TestWithParam<RateCase> {};

// A group of `rate` inputs gives 11 outputs, each repeating the input the pattern names; inputs past the codes
// given are silence, past a page left out; codes given but not played still advance the decoder.
TEST_P(PlaybackRateTest, CountAndExpansionPattern) {
    const RateCase& c = GetParam();
    using Pattern = std::array<std::size_t, 11>;
    const Pattern pattern = c.rate == 11 ? Pattern{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
                          : c.rate == 8  ? Pattern{0, 0, 1, 2, 3, 3, 4, 5, 6, 6, 7} : Pattern{0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6};
    const auto v = test::loadDecoderVector(c.width, "nrm-a");
    for (std::size_t given : {c.codes, c.rate == 11 ? c.codes : std::size_t{100}}) {
        Decoder d;
        d.reset();
        std::vector<std::int16_t> out(kMaxPlaybackSamples + 8, 0x5A5A);
        ASSERT_EQ(decodeForPlayback(d, c.rate, c.width, v.codes.data(), given, out.data()), c.samples);
        for (std::size_t o = 0; o < c.samples; ++o) {
            const std::size_t input = (o / 11) * static_cast<std::size_t>(c.rate) + pattern[o % 11];
            ASSERT_EQ(out[o], input < given ? test::doubledClipped(v.steps[input]) : 0) << "output " << o << " of " << given;
        }
        EXPECT_EQ(out[c.samples], 0x5A5A) << "wrote past its count";
        if (given > 2048) continue;
        ASSERT_EQ(decodeForPlayback(d, 11, c.width, v.codes.data() + given, 100, out.data()), 100u);
        for (std::size_t k = 0; k < 100; ++k) ASSERT_EQ(out[k], test::doubledClipped(v.steps[given + k])) << "next page " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, PlaybackRateTest,
                         ::testing::Values(RateCase{11, 3, 1360, 1360}, RateCase{11, 4, 2048, 2048},
                                           RateCase{11, 2, 5000, 2048}, RateCase{8, 2, 2048, 2816},
                                           RateCase{8, 3, 1360, 1408}, RateCase{8, 4, 1024, 1408},
                                           RateCase{7, 2, 2046, 3215}, RateCase{7, 3, 2046, 3215}),
                         [](const auto& p) {
                             return "rate" + std::to_string(p.param.rate) + "_w" + std::to_string(p.param.width);
                         });

// A WAV file past 4 GB (a recording of some 830 MB) says so rather than a size 4 GB short.
TEST(WavFormat, SizesBeyondTheFieldsHoldAtTheTop) {
    const auto h = wavHeader({8000, 2}, 0x1'0000'0010ull);
    EXPECT_TRUE(test::le32At({h.begin(), h.end()}, 4) == 0xFFFFFFFFu && test::le32At({h.begin(), h.end()}, 40) == 0xFFFFFFFFu);
}

// --- WAV -> ZRC -> WAV ----------------------------------------------------------
// The exports record speech, the core's unpacker and decoder play it back: a fault in the scaling, packing, page
// layout or state carried across pages drops the signal-to-noise ratio. A bundled sample's recording is exact.

// A WAV file under tests/data/speech or a bundled sample; width 0: the recorder's layout for the rate; the least
// signal-to-noise ratio half a decibel under what the coder reaches.
struct RoundTrip { std::string wav; int width; double minSnrDb; bool bundled = false; };

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {};

// Made in ranges of 7 pages, as a client showing progress would; played back as a playback decoder does, each
// page unpacked with the layout of its type ({width, payload bits}), one decoder run across all.
TEST_P(RoundTripTest, SpeechComesBackAboveItsNoiseFloor) {
    const RoundTrip& rt = GetParam();
    const test::TempDir dir;
    const std::string wav = rt.bundled ? ZRC_SAMPLES_DIR "/" + rt.wav : test::dataPath("speech/" + rt.wav).string();
    const std::string zrc = dir.file("rt.zrc").string();
    const char *w = wav.c_str(), *z = zrc.c_str();
    const std::int32_t size = rt.width == 0 ? wav_zrc_check(w) : wav_zrc_check_f(w, 512, 0, rt.width);
    ASSERT_GE(size, 92);
    const auto usize = static_cast<std::uint32_t>(size);
    ASSERT_EQ(rt.width == 0 ? wav_zrc_mkheader(w, z, usize) : wav_zrc_mkheader_f(w, z, usize, 512, 0, rt.width), 0);
    for (std::uint32_t p = 0, pages = (usize - 92) / 528; p < pages; p += 7) {
        const std::uint32_t n = std::min(7u, pages - p);
        ASSERT_EQ(rt.width == 0 ? wav_zrc_encoder(w, z, p, n) : wav_zrc_encoder_f(w, z, p, n, 512, 0, rt.width), 0);
    }
    const std::vector<std::uint8_t> file = test::readFile(zrc), in = test::readFile(wav);
    ASSERT_EQ(file.size(), usize);
    if (rt.bundled) {
        EXPECT_TRUE(file == test::readFile(wav.substr(0, wav.size() - 3) + "zrc"))
            << "differs from the bundled recording";
    }
    std::array<std::pair<int, int>, 2> layouts{{{3, 4080}, {2, 4092}}};  // the recorder's
    if (rt.width != 0) layouts[0] = layouts[1] = {rt.width, 4096 / rt.width * rt.width};
    Decoder decoder;
    decoder.reset();
    std::vector<std::int16_t> x, y, samples(2048);
    std::vector<std::uint8_t> codes(2048);
    for (std::size_t at = 92; at + 528 <= file.size(); at += 528) {
        const auto [width, bits] = layouts[file[at + 512] & 1];
        const int n = unpackCodes(width, bits / 8, bits % 8, file.data() + at, codes.data());
        decoder.decode(codes.data(), static_cast<std::size_t>(n), width, samples.data());
        for (int k = 0; k < n; ++k) y.push_back(doubled(samples[static_cast<std::size_t>(k)]));
    }
    if (in[34] != 8) x = test::samplesOf16BitWav(in);  // 8-bit samples are moved to the 16-bit range as the encoder reads them
    for (std::size_t k = 44; in[34] == 8 && k < in.size(); ++k) x.push_back(static_cast<std::int16_t>((in[k] - 128) * 256));
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
