// WAV -> ZRC -> WAV on recorded speech: the exports make the recording, the
// core's unpacker and decoder play it back, and the signal-to-noise ratio
// of the result is held to what this coder reaches, so that a fault in the
// scaling, the packing, the page layout or the state carried across pages
// shows as a drop. The bundled sample recordings are checked to be exactly
// what the encoder makes of their WAV files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "decoder.h"
#include "g726_vectors.h"
#include "pagecodec.h"
#include "sample_math.h"
#include "test_files.h"
#include "unpack.h"

namespace zrc {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The linear samples of a canonical mono WAV file, 8-bit ones moved to the
// 16-bit range as the encoder reads them.
std::vector<std::int16_t> wavSamples(const Bytes& wav) {
    const unsigned bits = wav[34];
    std::vector<std::int16_t> x;
    if (bits == 8) {
        for (std::size_t k = 44; k < wav.size(); ++k) x.push_back(static_cast<std::int16_t>((wav[k] - 128) * 256));
    } else {
        for (std::size_t k = 44; k + 1 < wav.size(); k += 2) {
            x.push_back(static_cast<std::int16_t>(wav[k] | (wav[k + 1] << 8)));
        }
    }
    return x;
}

struct Layout {
    int width;
    int payloadBits;
};

// Plays a recording back as a playback decoder does: every page unpacked
// with its layout, one decoder run across all pages, every sample doubled.
std::vector<std::int16_t> decodePages(const Bytes& pages, Layout type0, Layout type1) {
    Decoder decoder;
    decoder.reset();
    std::vector<std::int16_t> out;
    std::vector<std::uint8_t> codes(2048);
    std::vector<std::int16_t> samples(2048);
    for (std::size_t at = 0; at + 528 <= pages.size(); at += 528) {
        const Layout l = (pages[at + 512] & 1) ? type1 : type0;
        const int n = unpackCodes(l.width, l.payloadBits / 8, l.payloadBits % 8, pages.data() + at, codes.data());
        decoder.decode(codes.data(), static_cast<std::size_t>(n), l.width, samples.data());
        for (int k = 0; k < n; ++k) out.push_back(doubled(samples[static_cast<std::size_t>(k)]));
    }
    return out;
}

struct RoundTrip {
    std::string wav;
    int width;          // 0: the recorder's layout for the rate
    double minSnrDb;
};
void PrintTo(const RoundTrip& r, std::ostream* os) { *os << r.wav << " width " << r.width; }

class RoundTripTest : public ::testing::TestWithParam<RoundTrip> {
protected:
    test::TempDir m_dir;
};

TEST_P(RoundTripTest, SpeechComesBackAboveItsNoiseFloor) {
    const RoundTrip& rt = GetParam();
    const std::string wav = test::dataPath("speech/" + rt.wav).string();
    const std::string zrc = m_dir.file("rt.zrc").string();
    const std::vector<std::int16_t> x = wavSamples(test::readFile(wav));

    Layout type0{3, 4080};
    Layout type1{2, 4092};
    std::int32_t size = 0;
    if (rt.width == 0) {
        size = wav_zrc_check(wav.c_str());
        ASSERT_GE(size, 92);
        ASSERT_EQ(wav_zrc_mkheader(wav.c_str(), zrc.c_str(), static_cast<std::uint32_t>(size)), 0);
    } else {
        size = wav_zrc_check_f(wav.c_str(), 512, 0, rt.width);
        ASSERT_GE(size, 92);
        ASSERT_EQ(wav_zrc_mkheader_f(wav.c_str(), zrc.c_str(), static_cast<std::uint32_t>(size), 512, 0, rt.width), 0);
        type0 = type1 = Layout{rt.width, 4096 / rt.width * rt.width};
    }
    const auto pages = (static_cast<std::uint32_t>(size) - 92) / 528;
    // In ranges of 7 pages, as a client showing progress would.
    for (std::uint32_t p = 0; p < pages; p += 7) {
        const std::uint32_t n = std::min(7u, pages - p);
        ASSERT_EQ(rt.width == 0 ? wav_zrc_encoder(wav.c_str(), zrc.c_str(), p, n)
                                : wav_zrc_encoder_f(wav.c_str(), zrc.c_str(), p, n, 512, 0, rt.width),
                  0);
    }

    const Bytes file = test::readFile(zrc);
    ASSERT_EQ(file.size(), static_cast<std::size_t>(size));
    const std::vector<std::int16_t> y = decodePages(Bytes(file.begin() + 92, file.end()), type0, type1);
    ASSERT_GE(y.size(), x.size());
    const double snr = test::roundTripSnrDb(x, y);
    RecordProperty("snr_db", std::to_string(snr));
    std::printf("%s width %d: SNR %.2f dB\n", rt.wav.c_str(), rt.width, snr);
    EXPECT_GE(snr, rt.minSnrDb);
}

INSTANTIATE_TEST_SUITE_P(Speech, RoundTripTest,
                         // The floors sit half a decibel under what the coder reaches.
                         ::testing::Values(RoundTrip{"memo-11k16.wav", 0, 18.1}, RoundTrip{"memo-11k8.wav", 0, 17.8},
                                           RoundTrip{"memo-8k16.wav", 0, 10.8}, RoundTrip{"greet-8k8.wav", 0, 11.0},
                                           RoundTrip{"memo-11k16.wav", 2, 12.7}, RoundTrip{"memo-11k16.wav", 3, 18.1},
                                           RoundTrip{"memo-11k16.wav", 4, 24.5}, RoundTrip{"memo-8k16.wav", 4, 20.3}));

// --- The bundled samples -----------------------------------------------------------

// Fixed files that the encoder reproduces byte for byte: how well the coder
// keeps speech is the round trip's to check, above.
class SampleRecordingTest : public ::testing::TestWithParam<std::string> {
protected:
    std::string sample(const std::string& ext) const {
        return std::string(ZRC_SAMPLES_DIR) + "/" + GetParam() + ext;
    }
    test::TempDir m_dir;
};

TEST_P(SampleRecordingTest, IsWhatTheEncoderMakesOfItsWavFile) {
    const Bytes committed = test::readFile(sample(".zrc"));
    const std::string wav = sample(".wav");
    const std::string zrc = m_dir.file("again.zrc").string();
    const std::int32_t size = wav_zrc_check(wav.c_str());
    ASSERT_EQ(static_cast<std::size_t>(size), committed.size());
    ASSERT_EQ(wav_zrc_mkheader(wav.c_str(), zrc.c_str(), static_cast<std::uint32_t>(size)), 0);
    const auto pages = (static_cast<std::uint32_t>(size) - 92) / 528;
    for (std::uint32_t p = 0; p < pages; p += 16) {
        ASSERT_EQ(wav_zrc_encoder(wav.c_str(), zrc.c_str(), p, std::min(16u, pages - p)), 0);
    }
    EXPECT_TRUE(test::readFile(zrc) == committed) << GetParam() << ".zrc differs from what the encoder makes";
}

INSTANTIATE_TEST_SUITE_P(Bundled, SampleRecordingTest,
                         ::testing::Values("greet-11k16", "greet-8k16"),
                         [](const auto& p) { return p.param.substr(0, 5) + "_" + p.param.substr(6); });

}  // namespace
}  // namespace zrc
