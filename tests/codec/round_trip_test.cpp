// WAV -> ZRC -> WAV on recorded speech: the exports make the recording, the
// core's unpacker and decoder play it back, and the signal-to-noise ratio
// is held to what this coder reaches, so that a fault in the scaling, the
// packing, the page layout or the state carried across pages shows as a
// drop. The bundled sample recordings are what the encoder makes of their
// WAV files, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "decoder.h"
#include "g726_vectors.h"
#include "pagecodec.h"
#include "sample_math.h"
#include "test_files.h"
#include "unpack.h"
#include "wav_builder.h"

namespace zrc {
namespace {

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
