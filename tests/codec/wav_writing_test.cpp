// WAV headers, the 8-bit mapping and the converter's two ways of use: one
// file held open, or reopened for every page with the header kept true.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "g726_vectors.h"
#include "output_file.h"
#include "test_files.h"
#include "wav_converter.h"
#include "wav_format.h"

namespace zrc {
namespace {

std::uint32_t readLe32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(WavFormat, HeaderFieldsFollowTheFormat) {
    // 8-bit at 8,000 Hz: byte rate 8,000, block alignment 1, 8 bits.
    const auto h8 = wavHeader({8000, 1}, 13600);
    const std::vector<std::uint8_t> v8(h8.begin(), h8.end());
    EXPECT_EQ(readLe32At(v8, 4), 13636u);
    EXPECT_EQ(readLe32At(v8, 24), 8000u);
    EXPECT_EQ(readLe32At(v8, 28), 8000u);
    EXPECT_EQ(v8[32], 1);
    EXPECT_EQ(v8[34], 8);
    EXPECT_EQ(readLe32At(v8, 40), 13600u);

    // Sizes beyond the 32-bit fields hold at the top rather than wrap.
    const auto huge = wavHeader({8000, 2}, 0x1'0000'0010ull);
    const std::vector<std::uint8_t> vh(huge.begin(), huge.end());
    EXPECT_EQ(readLe32At(vh, 4), 0xFFFFFFFFu);
    EXPECT_EQ(readLe32At(vh, 40), 0xFFFFFFFFu);
}

TEST(WavFormat, StreamingHeaderBlock) {
    const auto block = streamingHeaderBlock(11025);
    const std::vector<std::uint8_t> b(block.begin(), block.end());
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(readLe32At(b, 4), 528000036u);
    EXPECT_EQ(readLe32At(b, 24), 11025u);
    EXPECT_EQ(readLe32At(b, 28), 22050u);
    EXPECT_EQ(readLe32At(b, 40), 528000000u);
    for (std::size_t i = 44; i < 100; ++i) ASSERT_EQ(b[i], 0) << i;
    // Another announced rate changes the rate fields only.
    const auto fast = streamingHeaderBlock(22050);
    const std::vector<std::uint8_t> f(fast.begin(), fast.end());
    EXPECT_EQ(readLe32At(f, 24), 22050u);
    EXPECT_EQ(readLe32At(f, 28), 44100u);
    for (std::size_t i : {4u, 40u}) EXPECT_EQ(readLe32At(f, i), readLe32At(b, i));
}

TEST(WavFormat, EightBitMappingForEverySample) {
    EXPECT_EQ(pcm8(-1), 128);
    EXPECT_EQ(pcm8(-256), 127);
    EXPECT_EQ(pcm8(-257), 127);
    EXPECT_EQ(pcm8(-512), 126);
    EXPECT_EQ(pcm8(255), 128);
    EXPECT_EQ(pcm8(256), 129);
    EXPECT_EQ(pcm8(32767), 255);
    EXPECT_EQ(pcm8(-32768), 0);
    // Oracle: truncation toward zero spelled with shifts of the magnitude.
    for (int s = -32768; s <= 32767; ++s) {
        const int magnitude = (s < 0 ? -s : s) >> 8;
        const int expected = 128 + (s < 0 ? -magnitude : magnitude);
        ASSERT_EQ(pcm8(static_cast<std::int16_t>(s)), expected) << s;
    }
}

class WavConverterTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    test::DecoderVector m_vector = test::loadDecoderVector(3, "nrm-a");
    static constexpr std::size_t kPage = 1360;
    static constexpr std::size_t kPages = 5;
};

TEST_F(WavConverterTest, ReopenedPerPageEqualsHeldOpen) {
    const auto held = m_dir.file("held.wav").string();
    const auto reopened = m_dir.file("reopened.wav").string();
    const std::uint64_t announced = kPages * kPage * 2;
    {
        Decoder d;
        d.reset();
        OutputFile f = OutputFile::create(held.c_str());
        WavConverter w(d, f, {11025, 2});
        ASSERT_TRUE(w.begin(announced));
        for (std::size_t p = 0; p < kPages; ++p) ASSERT_TRUE(w.appendNativePage(11, 3, m_vector.codes.data() + p * kPage, kPage));
        ASSERT_TRUE(w.updateSizes());
        ASSERT_TRUE(f.close());
    }
    Decoder d;
    d.reset();
    {
        OutputFile f = OutputFile::create(reopened.c_str());
        WavConverter w(d, f, {11025, 2});
        ASSERT_TRUE(w.begin(announced));
        ASSERT_TRUE(f.close());
    }
    for (std::size_t p = 0; p < kPages; ++p) {
        OutputFile f = OutputFile::openExisting(reopened.c_str());
        WavConverter w(d, f, {11025, 2});
        ASSERT_TRUE(w.resume());
        ASSERT_TRUE(w.appendNativePage(11, 3, m_vector.codes.data() + p * kPage, kPage));
        ASSERT_TRUE(w.updateSizes());
        ASSERT_TRUE(f.close());
        // The header tells exactly the samples in the file after every page.
        const auto bytes = test::readFile(reopened);
        ASSERT_EQ(readLe32At(bytes, 40), bytes.size() - 44) << "after page " << p;
        ASSERT_EQ(readLe32At(bytes, 4), bytes.size() - 8) << "after page " << p;
    }
    const auto a = test::readFile(held);
    EXPECT_EQ(a, test::readFile(reopened));
    ASSERT_EQ(a.size(), 44 + announced);
    for (std::size_t k = 0; k < kPages * kPage; ++k) {
        const auto s = static_cast<std::int16_t>(a[44 + 2 * k] | (a[45 + 2 * k] << 8));
        ASSERT_EQ(s, test::doubledClipped(m_vector.steps[k])) << k;
    }
}

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
