// Orvel's WAV description and stretches: which layouts serve, how a stretch
// is cut to the data chunk and to whole samples, and 8-bit widening.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "voice_wav.h"

namespace zrc::orvel {
namespace {

riff::WaveLayout layoutOf(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                          bool withData = true) {
    riff::WaveLayout layout;
    layout.riffWave = true;
    layout.format = riff::PcmFormat{tag, channels, rate, static_cast<std::uint16_t>(channels * bits / 8), bits};
    if (withData) layout.data = riff::DataChunk{44, 1000, 1000};
    return layout;
}

TEST(VoiceWav, DescribesTheFourVoiceFormats) {
    struct Row {
        std::uint32_t rate;
        std::uint16_t bits;
        std::uint8_t rateCode;
        std::uint8_t bytesPerSample;
    };
    for (const Row& r : {Row{11025, 16, 11, 2}, Row{11025, 8, 11, 1}, Row{8000, 16, 8, 2}, Row{8000, 8, 8, 1}}) {
        VoiceWav w;
        ASSERT_EQ(describeVoiceWav(layoutOf(1, 1, r.rate, r.bits), w), 0) << r.rate << "/" << r.bits;
        EXPECT_EQ(w.rateCode, r.rateCode);
        EXPECT_EQ(w.bitsPerSample, r.bits);
        EXPECT_EQ(w.bytesPerSample, r.bytesPerSample);
        EXPECT_EQ(w.dataOffset, 44u);
        EXPECT_EQ(w.dataSize, 1000u);
    }
}

TEST(VoiceWav, RefusalsInTheirOrder) {
    VoiceWav w;
    EXPECT_EQ(describeVoiceWav(riff::WaveLayout{}, w), -10);
    riff::WaveLayout noFormat;
    noFormat.riffWave = true;
    noFormat.data = riff::DataChunk{44, 10, 10};
    EXPECT_EQ(describeVoiceWav(noFormat, w), -30);
    EXPECT_EQ(describeVoiceWav(layoutOf(1, 2, 11025, 16), w), -20);
    EXPECT_EQ(describeVoiceWav(layoutOf(1, 1, 44100, 16), w), -20);
    EXPECT_EQ(describeVoiceWav(layoutOf(1, 1, 11025, 24), w), -20);
    EXPECT_EQ(describeVoiceWav(layoutOf(3, 1, 8000, 32), w), -20);
    // A format that cannot serve says so even when the data is missing too.
    EXPECT_EQ(describeVoiceWav(layoutOf(1, 2, 8000, 8, false), w), -20);
    EXPECT_EQ(describeVoiceWav(layoutOf(1, 1, 8000, 8, false), w), -30);
}

VoiceWav wave(std::uint8_t bytesPerSample, std::uint64_t offset, std::uint64_t size) {
    VoiceWav w;
    w.rateCode = 11;
    w.bitsPerSample = static_cast<std::uint8_t>(8 * bytesPerSample);
    w.bytesPerSample = bytesPerSample;
    w.dataOffset = offset;
    w.dataSize = size;
    return w;
}

struct StretchCase {
    const char* what;
    std::uint8_t bytesPerSample;
    std::int64_t start;
    std::int64_t length;
    std::uint64_t offset;  // expected
    std::uint64_t bytes;   // expected
};

class ClipStretch : public ::testing::TestWithParam<StretchCase> {};

// Data chunk of 5,000 bytes at offset 44 (ends at 5,044).
TEST_P(ClipStretch, CutsToTheDataChunk) {
    const StretchCase& c = GetParam();
    const Stretch s = clipStretch(wave(c.bytesPerSample, 44, 5000), c.start, c.length);
    EXPECT_EQ(s.bytes, c.bytes) << c.what;
    if (c.bytes > 0) {
        EXPECT_EQ(s.offset, c.offset) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stretches, ClipStretch,
    ::testing::Values(StretchCase{"inside", 2, 1044, 1000, 1044, 1000},
                      StretchCase{"tail", 2, 4044, 1000, 4044, 1000},
                      StretchCase{"over the end", 2, 4544, 1000, 4544, 500},
                      StretchCase{"from the header", 2, 0, 1000, 44, 956},
                      StretchCase{"negative start", 1, -100, 200, 44, 56},
                      StretchCase{"odd start, 16-bit", 2, 45, 1000, 46, 998},
                      StretchCase{"odd length, 16-bit", 2, 44, 999, 44, 998},
                      StretchCase{"odd start, 8-bit", 1, 45, 1000, 45, 1000},
                      StretchCase{"past the end", 2, 5044, 1000, 0, 0},
                      StretchCase{"single byte left", 2, 5043, 1000, 0, 0},
                      StretchCase{"zero length", 1, 44, 0, 0, 0},
                      StretchCase{"negative length", 1, 44, -5, 0, 0}),
    [](const auto& param) {
        std::string name = param.param.what;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(VoiceWav, LengthsStayWithinA32BitResult) {
    // 3e9 bytes of data: a 32-bit result cannot say that.
    const VoiceWav eight = wave(1, 44, 3000000000ull);
    EXPECT_EQ(reportedDataLength(eight), 0x7FFFFFFE);
    const Stretch s8 = clipStretch(eight, 44, 0x7FFFFFFF);
    EXPECT_EQ(widenedBytes(s8.bytes, 1), 0x7FFFFFFEu);
    const Stretch s16 = clipStretch(wave(2, 44, 3000000000ull), 44, 0x7FFFFFFF);
    EXPECT_EQ(widenedBytes(s16.bytes, 2), 0x7FFFFFFEu);
    EXPECT_EQ(reportedDataLength(wave(2, 44, 1000)), 1000);
}

TEST(VoiceWav, WidensUnsignedBytesAroundTheirCentre) {
    const std::vector<std::uint8_t> in{0x00, 0x80, 0xFF, 0x01, 0x7F, 0x81};
    std::vector<std::uint8_t> out(widenedBytes(in.size(), 1), 0xEE);
    ASSERT_EQ(out.size(), 12u);
    widenToPcm16(in, 1, out);
    // -32768, 0, 32512, -32512, -256, 256 as little-endian 16-bit.
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x00, 0x80, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x81, 0x00, 0xFF, 0x00,
                                              0x01}));
}

TEST(VoiceWav, SixteenBitSamplesPassUnchanged) {
    const std::vector<std::uint8_t> in{0x34, 0x12, 0xFF, 0xFF, 0x00, 0x80};
    std::vector<std::uint8_t> out(widenedBytes(in.size(), 2));
    widenToPcm16(in, 2, out);
    EXPECT_EQ(out, in);
    EXPECT_EQ(widenedBytes(7, 2), 6u);
}

}  // namespace
}  // namespace zrc::orvel
