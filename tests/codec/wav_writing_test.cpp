// WAV headers, the 8-bit mapping and the converter's refusals. Its two ways
// of use (held open by zrc decode, reopened per page by AdpcmDec1) are
// compared in tests/cli/decode_command_test.cpp; the header after every
// page range in whole_file_test.cpp.
#include <gtest/gtest.h>

#include <vector>

#include "output_file.h"
#include "test_files.h"
#include "wav_converter.h"
#include "wav_format.h"

namespace zrc {
namespace {

TEST(WavFormat, SizesBeyondTheFieldsHoldAtTheTop) {
    const auto huge = wavHeader({8000, 2}, 0x1'0000'0010ull);
    const std::vector<std::uint8_t> vh(huge.begin(), huge.end());
    EXPECT_EQ(test::le32At(vh, 4), 0xFFFFFFFFu);
    EXPECT_EQ(test::le32At(vh, 40), 0xFFFFFFFFu);
}

TEST(WavFormat, StreamingHeaderBlockOfAnotherRateChangesTheRateFieldsOnly) {
    // The 11,025 Hz block is pinned byte for byte through SoundSet11k16bit.
    const auto slow = streamingHeaderBlock(11025);
    const auto fast = streamingHeaderBlock(22050);
    std::vector<std::uint8_t> expected(slow.begin(), slow.end());
    expected[24] = 0x22, expected[25] = 0x56, expected[28] = 0x44, expected[29] = 0xAC;  // 22,050 and 44,100
    EXPECT_EQ(std::vector<std::uint8_t>(fast.begin(), fast.end()), expected);
}

TEST(WavFormat, EightBitMapping) {
    EXPECT_EQ(pcm8(-1), 128);
    EXPECT_EQ(pcm8(-256), 127);
    EXPECT_EQ(pcm8(-257), 127);
    EXPECT_EQ(pcm8(-512), 126);
    EXPECT_EQ(pcm8(255), 128);
    EXPECT_EQ(pcm8(256), 129);
    EXPECT_EQ(pcm8(32767), 255);
    EXPECT_EQ(pcm8(-32768), 0);
}

class WavConverterTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
};

TEST_F(WavConverterTest, ResumeRefusesAFileWithoutAHeader) {
    const auto name = m_dir.file("short.wav");
    test::writeFile(name, std::vector<std::uint8_t>(20, 0));
    Decoder d;
    OutputFile f = OutputFile::openExisting(name.c_str());
    ASSERT_TRUE(f.isOpen());
    WavConverter w(d, f, {8000, 1});
    EXPECT_FALSE(w.resume());
}

TEST_F(WavConverterTest, OutputFileRefusesFoldersAndMissingFiles) {
    EXPECT_FALSE(OutputFile::create(m_dir.path().c_str()).isOpen());
    EXPECT_FALSE(OutputFile::openExisting(m_dir.file("absent.wav").c_str()).isOpen());
    EXPECT_FALSE(OutputFile::openExisting(m_dir.path().c_str()).isOpen());
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("absent.wav")));
}

}  // namespace
}  // namespace zrc
