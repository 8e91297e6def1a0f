// Making recordings through the library's C exports: the header writers,
// the encoders, their page ranges and their refusals.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "file_size_limit.h"
#include "pagecodec.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc {
namespace {

using test::FileSizeLimit;
using test::WavFile;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::int16_t> noise(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::int16_t> x(n);
    int v = 0;
    for (auto& s : x) {
        v = std::clamp(v + static_cast<int>(rng() % 3001) - 1500, -20000, 20000);
        s = static_cast<std::int16_t>(v);
    }
    return x;
}

unsigned le16(const Bytes& b, std::size_t at) { return b[at] | (unsigned{b[at + 1]} << 8); }

class EncodeExportsTest : public ::testing::Test {
protected:
    std::string wav(const Bytes& bytes) {
        const auto path = m_dir.file("in" + std::to_string(m_count++) + ".wav");
        test::writeFile(path, bytes);
        return path.string();
    }
    std::string zrc(const std::string& name = "out.zrc") { return m_dir.file(name).string(); }
    Bytes read(const std::string& path) { return test::readFile(path); }

    test::TempDir m_dir;
    int m_count = 0;
};

// --- Header writers ------------------------------------------------------------

TEST_F(EncodeExportsTest, HeaderFor11025HzInput) {
    // 13,600 16-bit samples: size 5,372, 10 pages, 217,600 / 11,025 = 19,
    // 19 / 16 = 1 second.
    const auto in = wav(WavFile::pcm16(11025, noise(13600, 1)).bytes());
    ASSERT_EQ(wav_zrc_check(in.c_str()), 5372);
    ASSERT_EQ(wav_zrc_mkheader(in.c_str(), zrc().c_str(), 5372), 0);
    const Bytes expected = {
        'Q', 'I', 'F', 'F', 0xF4, 0x14, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 64, 0, 0, 0,  //
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        1, 0,                 // 56: length in seconds
        0x10, 0x02,           // 58: page size 528
        0,                    // 60: mode 0
        11, 3, 0xFE, 0x01, 0, // 61: set 0
        7, 2, 0xFF, 0x01, 4,  // 66: set 1
        1, 0, 0, 0,           // 71: seconds0, seconds1
        10, 0, 0, 0, 0, 0, 0, 0,  // 75: storedPages0, storedPages1
        0xFF, 'd', 'a', 't', 'a', 0xA0, 0x14, 0, 0,
    };
    EXPECT_EQ(read(zrc()), expected);
}

TEST_F(EncodeExportsTest, HeaderFor8000HzInputAndBoundarySizes) {
    // 80,000 8-bit samples: 40 pages, 640,000 / 8,000 / 8 = 10 seconds, mode 1.
    const auto in = wav(WavFile::pcm8(8000, Bytes(80000, 128)).bytes());
    const std::int32_t size = wav_zrc_check(in.c_str());
    ASSERT_EQ(size, 92 + 40 * 528);
    ASSERT_EQ(wav_zrc_mkheader(in.c_str(), zrc().c_str(), static_cast<std::uint32_t>(size)), 0);
    Bytes h = read(zrc());
    ASSERT_EQ(h.size(), 92u);
    EXPECT_EQ(h[60], 1);
    EXPECT_EQ(h[62], 3);
    EXPECT_EQ(le16(h, 56), 10u);
    EXPECT_EQ(le16(h, 71), 10u);
    EXPECT_EQ(test::le32At(h, 75), 40u);
    EXPECT_EQ(test::le32At(h, 88), 40u * 528);

    ASSERT_EQ(wav_zrc_mkheader(in.c_str(), zrc().c_str(), 620), 0);
    h = read(zrc());
    EXPECT_EQ(test::le32At(h, 4), 612u);
    EXPECT_EQ(test::le32At(h, 75), 1u);
    EXPECT_EQ(test::le32At(h, 88), 528u);

    ASSERT_EQ(wav_zrc_mkheader(in.c_str(), zrc().c_str(), 92), 0);
    const RecordingInfo info = play_splpget(zrc().c_str());
    EXPECT_EQ(info.rate0, 11);
    EXPECT_EQ(info.pageCount, 0u);
    EXPECT_EQ(test::le32At(read(zrc()), 88), 0u);
}

TEST_F(EncodeExportsTest, HeaderForTheCallersLayout) {
    // 220,500 samples at 11,025 Hz in 4,096-bit pages of 2-bit codes: 107
    // full pages plus one; 108 x 2,048 codes / 11,025 = 20 seconds.
    const auto in = wav(WavFile::pcm16(11025, noise(220500, 2)).bytes());
    const std::int32_t size = wav_zrc_check_f(in.c_str(), 512, 0, 2);
    ASSERT_EQ(size, 92 + 108 * 528);
    ASSERT_EQ(wav_zrc_mkheader_f(in.c_str(), zrc().c_str(), static_cast<std::uint32_t>(size), 512, 0, 2), 0);
    Bytes h = read(zrc());
    EXPECT_EQ(le16(h, 56), 20u);
    EXPECT_EQ(le16(h, 71), 20u);
    EXPECT_EQ(test::le32At(h, 75), 108u);
    // The parameter sets are the recorder's whatever the layout and the
    // input's rate: stored files and the recorder's software know the header
    // by these bytes. Width 2 gives mode 1 (set 0 keeps width 3), width 4 a
    // set 0 of width 4.
    const auto in8k = wav(WavFile::pcm16(8000, noise(8000, 5)).bytes());
    for (const auto& [input, width, mode, set0Width] : std::vector<std::tuple<std::string, int, int, int>>{
             {in, 2, 1, 3}, {in, 3, 0, 3}, {in, 4, 0, 4}, {in8k, 2, 1, 3}, {in8k, 4, 0, 4}}) {
        ASSERT_EQ(wav_zrc_mkheader_f(input.c_str(), zrc().c_str(), 620, 512, 0, width), 0);
        h = read(zrc());
        const Bytes sets = {static_cast<std::uint8_t>(mode), 11, static_cast<std::uint8_t>(set0Width), 0xFE, 0x01, 0,
                            7, 2, 0xFF, 0x01, 4};
        EXPECT_TRUE(std::equal(sets.begin(), sets.end(), h.begin() + 60)) << input << " width " << width;
    }

    // Any nonzero rate is taken: 30 pages x 803 bits / 3 = 8,030 codes at
    // 1,000 Hz are 8 seconds.
    auto odd = WavFile::pcm16(1000, noise(10, 3));
    ASSERT_EQ(wav_zrc_mkheader_f(wav(odd.bytes()).c_str(), zrc().c_str(), 92 + 30 * 528, 100, 3, 3), 0);
    EXPECT_EQ(le16(read(zrc()), 56), 8u);
}

TEST_F(EncodeExportsTest, HeaderWriterRefusals) {
    const auto good = WavFile::pcm16(11025, noise(100, 4)).bytes();
    // The recording is created empty even when the WAV file cannot be read.
    EXPECT_EQ(wav_zrc_mkheader(m_dir.file("absent.wav").string().c_str(), zrc().c_str(), 620), 1);
    ASSERT_TRUE(std::filesystem::exists(zrc()));
    EXPECT_EQ(std::filesystem::file_size(zrc()), 0u);
    EXPECT_EQ(wav_zrc_mkheader_f(m_dir.path().string().c_str(), zrc().c_str(), 620, 512, 0, 3), 1);
    EXPECT_EQ(wav_zrc_mkheader(wav(good).c_str(), m_dir.file("no/such/dir.zrc").string().c_str(), 620), 2);
    EXPECT_EQ(wav_zrc_mkheader(wav(good).c_str(), m_dir.path().string().c_str(), 620), 2);

    auto noData = good;
    noData[36] = 'D';
    auto zeroBits = good;
    zeroBits[34] = 0;
    auto otherRate = WavFile::pcm16(22050, noise(100, 4));
    auto zeroRate = WavFile::pcm16(0, noise(100, 4));
    for (const Bytes& bad : {noData, zeroBits, otherRate.bytes()}) {
        test::writeFile(zrc(), Bytes(5, 1));
        EXPECT_EQ(wav_zrc_mkheader(wav(bad).c_str(), zrc().c_str(), 620), 3);
        EXPECT_EQ(std::filesystem::file_size(zrc()), 0u) << "created, nothing written";
    }
    for (const Bytes& bad : {noData, zeroBits, zeroRate.bytes()}) {
        test::writeFile(zrc(), Bytes(5, 1));
        EXPECT_EQ(wav_zrc_mkheader_f(wav(bad).c_str(), zrc().c_str(), 620, 512, 0, 3), 3);
        EXPECT_EQ(std::filesystem::file_size(zrc()), 0u);
    }
    EXPECT_EQ(wav_zrc_mkheader_f(wav(otherRate.bytes()).c_str(), zrc().c_str(), 620, 512, 0, 3), 0);
}

// Every layout the encoder refuses, the header writer refuses too, before it
// writes a byte: a header for pages that are never written would describe
// a recording no reader can play.
TEST_F(EncodeExportsTest, HeaderWriterRefusesWhatTheEncoderRefuses) {
    const auto in = wav(WavFile::pcm16(11025, noise(3000, 4)).bytes());
    struct Layout {
        std::int32_t bytes, bits, width;
    };
    for (const Layout& l : std::vector<Layout>{{512, 0, 0},
                                               {512, 0, 1},
                                               {512, 0, 5},
                                               {512, 0, 0xFFFF},
                                               {512, 0, 0x10000},  // low 16 bits: 0
                                               {1000, 0, 3},       // 8,000 bits
                                               {512, 1, 2},        // 4,097 bits
                                               {0, 2, 3},          // no whole code
                                               {0, 0, 4}}) {
        test::writeFile(zrc(), Bytes(5, 1));
        EXPECT_EQ(wav_zrc_mkheader_f(in.c_str(), zrc().c_str(), 620, l.bytes, l.bits, l.width), 3)
            << l.bytes << " bytes + " << l.bits << " bits, width " << l.width;
        EXPECT_EQ(std::filesystem::file_size(zrc()), 0u) << "no header written";
        EXPECT_NE(wav_zrc_encoder_f(in.c_str(), zrc().c_str(), 0, 1, l.bytes, l.bits, l.width), 0);
    }
}

// --- Encoders ------------------------------------------------------------------

TEST_F(EncodeExportsTest, TwoCallsGiveTheBytesOfOne) {
    const std::vector<Bytes> inputs = {
        WavFile::pcm16(11025, noise(5 * 1360 - 7, 6)).bytes(),
        WavFile::pcm16(8000, noise(5 * 2046 - 7, 7)).bytes(),
    };
    for (const Bytes& input : inputs) {
        const auto in = wav(input);
        ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("one.zrc").c_str(), 0, 5), 0);
        ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("two.zrc").c_str(), 0, 3), 0);
        ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("two.zrc").c_str(), 3, 2), 0);
        const Bytes one = read(zrc("one.zrc"));
        EXPECT_EQ(one.size(), 2640u);
        EXPECT_EQ(read(zrc("two.zrc")), one);
        std::filesystem::remove(zrc("one.zrc"));
        std::filesystem::remove(zrc("two.zrc"));
    }
    const auto in = wav(WavFile::pcm16(8000, noise(3000, 8)).bytes());
    ASSERT_EQ(wav_zrc_encoder_f(in.c_str(), zrc("one.zrc").c_str(), 0, 4, 400, 0, 4), 0);
    for (std::uint32_t p = 0; p < 4; ++p) {
        ASSERT_EQ(wav_zrc_encoder_f(in.c_str(), zrc("two.zrc").c_str(), p, 1, 400, 0, 4), 0);
    }
    EXPECT_EQ(read(zrc("two.zrc")), read(zrc("one.zrc")));
    EXPECT_EQ(read(zrc("one.zrc")).size(), 4u * 528);
}

// Decoded codes of page p of a file of pages only.
std::vector<unsigned> codesOfPage(const Bytes& pages, std::size_t p, int width, int payloadBits) {
    std::vector<unsigned> codes;
    for (int bit = 0; bit + width <= payloadBits; bit += width) {
        unsigned c = 0;
        for (int b = 0; b < width; ++b) {
            const auto at = static_cast<std::size_t>(bit + b);
            c |= ((unsigned{pages[528 * p + at / 8]} >> (at % 8)) & 1u) << b;
        }
        codes.push_back(c);
    }
    return codes;
}

TEST_F(EncodeExportsTest, PastTheEndOf11025HzInputCodesAreAllOnes) {
    // Cutting the input short changes nothing before the cut: the samples
    // past the end give code 7 and leave the state as it was.
    const auto x = noise(2 * 1360, 9);
    const std::vector<std::int16_t> shortX(x.begin(), x.begin() + 1000);
    const auto full = wav(WavFile::pcm16(11025, x).bytes());
    const auto cut = wav(WavFile::pcm16(11025, shortX).bytes());
    ASSERT_EQ(wav_zrc_encoder(full.c_str(), zrc("full.zrc").c_str(), 0, 1), 0);
    ASSERT_EQ(wav_zrc_encoder(cut.c_str(), zrc("cut.zrc").c_str(), 0, 2), 0);
    const auto fullCodes = codesOfPage(read(zrc("full.zrc")), 0, 3, 4080);
    const auto cutCodes = codesOfPage(read(zrc("cut.zrc")), 0, 3, 4080);
    ASSERT_EQ(cutCodes.size(), 1360u);
    EXPECT_TRUE(std::equal(cutCodes.begin(), cutCodes.begin() + 1000, fullCodes.begin()));
    EXPECT_TRUE(std::all_of(cutCodes.begin() + 1000, cutCodes.end(), [](unsigned c) { return c == 7; }));
    const auto second = codesOfPage(read(zrc("cut.zrc")), 1, 3, 4080);
    EXPECT_TRUE(std::all_of(second.begin(), second.end(), [](unsigned c) { return c == 7; }));
}

TEST_F(EncodeExportsTest, PastTheEndOtherwiseSilenceIsEncoded) {
    // The same bytes as an input that holds the zeros itself.
    const auto x = noise(1500, 10);
    auto padded = x;
    padded.resize(2 * 2046, 0);
    const auto in = wav(WavFile::pcm16(8000, x).bytes());
    const auto inPadded = wav(WavFile::pcm16(8000, padded).bytes());
    ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("a.zrc").c_str(), 0, 2), 0);
    ASSERT_EQ(wav_zrc_encoder(inPadded.c_str(), zrc("b.zrc").c_str(), 0, 2), 0);
    EXPECT_EQ(read(zrc("a.zrc")), read(zrc("b.zrc")));

    // 8-bit input: silence is the sample 128, not the byte 0.
    Bytes u8(700);
    for (std::size_t k = 0; k < u8.size(); ++k) u8[k] = static_cast<std::uint8_t>(128 + (k % 50) - 25);
    auto u8Padded = u8;
    u8Padded.resize(3 * 1024, 128);
    ASSERT_EQ(wav_zrc_encoder_f(wav(WavFile::pcm8(11025, u8).bytes()).c_str(), zrc("c.zrc").c_str(), 0, 3, 512, 0, 4), 0);
    ASSERT_EQ(wav_zrc_encoder_f(wav(WavFile::pcm8(11025, u8Padded).bytes()).c_str(), zrc("d.zrc").c_str(), 0, 3, 512, 0, 4), 0);
    EXPECT_EQ(read(zrc("c.zrc")), read(zrc("d.zrc")));
}

TEST_F(EncodeExportsTest, CallersLayoutOfTheRecordersPagesGivesTheSameBytes) {
    // The rate is not looked at, only the layout counts: 511 bytes and 4
    // bits of 2-bit codes are the recorder's 8,000 Hz pages.
    const auto in = wav(WavFile::pcm16(8000, noise(3000, 11)).bytes());
    ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("fixed.zrc").c_str(), 0, 2), 0);
    ASSERT_EQ(wav_zrc_encoder_f(in.c_str(), zrc("free.zrc").c_str(), 0, 2, 511, 4, 2), 0);
    EXPECT_EQ(read(zrc("free.zrc")), read(zrc("fixed.zrc")));
    ASSERT_EQ(wav_zrc_encoder_f(in.c_str(), zrc("w3.zrc").c_str(), 0, 1, 512, 0, 3), 0);
    EXPECT_EQ(read(zrc("w3.zrc"))[512], 0) << "flag of a 3-bit page";
}

TEST_F(EncodeExportsTest, EncoderRefusalsWriteNothing) {
    const auto good = WavFile::pcm16(11025, noise(2000, 12)).bytes();
    auto bits24 = good;
    bits24[34] = 24;
    auto noData = good;
    noData[36] = 'D';
    const Bytes before(92, 0xAB);
    const auto expectUnchanged = [&](const char* what) {
        EXPECT_EQ(read(zrc()), before) << what;
        test::writeFile(zrc(), before);
    };
    test::writeFile(zrc(), before);

    EXPECT_EQ(wav_zrc_encoder(wav(bits24).c_str(), zrc().c_str(), 0, 1), 5);
    expectUnchanged("24 bits");
    EXPECT_EQ(wav_zrc_encoder(wav(noData).c_str(), zrc().c_str(), 0, 1), 6);
    expectUnchanged("no data tag");
    EXPECT_EQ(wav_zrc_encoder(wav(WavFile::pcm16(22050, noise(100, 1)).bytes()).c_str(), zrc().c_str(), 0, 1), 0);
    expectUnchanged("22,050 Hz: done, nothing encoded");
    EXPECT_EQ(wav_zrc_encoder_f(wav(bits24).c_str(), zrc().c_str(), 0, 1, 512, 0, 3), 5);
    expectUnchanged("24 bits, caller's layout");
    EXPECT_EQ(wav_zrc_encoder_f(wav(noData).c_str(), zrc().c_str(), 0, 1, 512, 0, 3), 6);
    expectUnchanged("no data tag, caller's layout");
    EXPECT_EQ(wav_zrc_encoder_f(wav(good).c_str(), zrc().c_str(), 0, 1, 512, 1, 3), 3);
    expectUnchanged("4,097 bits");
    EXPECT_EQ(wav_zrc_encoder_f(wav(good).c_str(), zrc().c_str(), 0, 1, 512, 1, 5), 3) << "payload tested first";
    EXPECT_EQ(wav_zrc_encoder_f(wav(good).c_str(), zrc().c_str(), 0, 1, 512, 0, 5), 4);
    EXPECT_EQ(wav_zrc_encoder_f(wav(good).c_str(), zrc().c_str(), 0, 1, 0, 2, 3), 3) << "no whole code";
    expectUnchanged("bad layouts");

    EXPECT_EQ(wav_zrc_encoder(m_dir.file("absent.wav").string().c_str(), zrc().c_str(), 0, 1), 1);
    EXPECT_EQ(wav_zrc_encoder_f(m_dir.path().string().c_str(), zrc().c_str(), 0, 1, 512, 0, 3), 1);
    expectUnchanged("no WAV file");
    EXPECT_EQ(wav_zrc_encoder(wav(good).c_str(), m_dir.path().string().c_str(), 0, 1), 2);
    EXPECT_EQ(wav_zrc_encoder_f(wav(good).c_str(), m_dir.file("no/dir.zrc").string().c_str(), 0, 1, 512, 0, 3), 2);
}

TEST_F(EncodeExportsTest, AFullDiskIsReported) {
    const auto in = wav(WavFile::pcm16(11025, noise(2000, 13)).bytes());
    const auto out = m_dir.file("full.zrc").string();
    {
        FileSizeLimit limit(50);  // not even the header fits
        EXPECT_EQ(wav_zrc_mkheader(in.c_str(), out.c_str(), 620), 4);
        EXPECT_EQ(wav_zrc_mkheader_f(in.c_str(), out.c_str(), 620, 512, 0, 3), 4);
    }
    ASSERT_EQ(wav_zrc_mkheader(in.c_str(), out.c_str(), 620), 0);
    {
        FileSizeLimit limit(600);  // the header, but not a whole page after it
        EXPECT_EQ(wav_zrc_encoder(in.c_str(), out.c_str(), 0, 2), 7);
        EXPECT_EQ(wav_zrc_encoder_f(in.c_str(), out.c_str(), 0, 2, 512, 0, 3), 7);
    }
}

}  // namespace
}  // namespace zrc
