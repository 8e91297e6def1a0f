// Orvel's stretches: how one is cut to the data chunk and to whole samples,
// and the limits of 32-bit results.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "voice_wav.h"

namespace zrc::orvel {
namespace {

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

}  // namespace
}  // namespace zrc::orvel
