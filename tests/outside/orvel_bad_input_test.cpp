// Orvel against hostile and broken input, the rows that orvel_wav_test.cpp
// and orvel_decode_test.cpp do not hold: WAV files that give their error
// code with the info buffer and the slot untouched, or play only the samples
// that are there; a conversion on a full disk, which leaves no file that
// claims more than it holds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "file_size_limit.h"
#include "orvel.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc {
namespace {

namespace fs = std::filesystem;
using test::WavBuilder;
using Bytes = std::vector<std::uint8_t>;

Bytes ramp(std::size_t n) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 5 + 1);
    return v;
}

struct Answers {
    std::int32_t wavPlx;
    std::int32_t getWavType;
    std::int32_t played;  // by PcmWavPlay of the whole file, with the file's sample size
};

class OrvelBadInputTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name).string();
    }
    static Answers ask(const std::string& path, std::uint8_t sampleSize) {
        Answers a{};
        Bytes info(100, 0xEE);
        a.wavPlx = WavPlx(path.c_str(), 2, 0, nullptr, 0, 0, info.data());
        if (a.wavPlx < 0) {
            EXPECT_EQ(info, Bytes(100, 0xEE));
        }
        Bytes type(100, 0xEE);
        a.getWavType = GetWavType(path.c_str(), type.data());
        if (a.getWavType < 0) {
            EXPECT_EQ(type, Bytes(100, 0xEE));
        }
        int marker = 0;
        void* slot = &marker;
        a.played = PcmWavPlay(path.c_str(), sampleSize, 0, 1 << 20, &slot);
        if (a.played <= 0) {
            EXPECT_EQ(slot, nullptr);
        }
        std::free(a.played > 0 ? slot : nullptr);
        return a;
    }
    test::TempDir m_dir;
};

TEST_F(OrvelBadInputTest, WidthsOutsideTheVoiceFormats) {
    for (const std::uint16_t bits : {std::uint16_t{0}, std::uint16_t{12}, std::uint16_t{32}}) {
        const std::string wav = write("in.wav", test::voiceWav(8000, bits, ramp(64)));
        const Answers a = ask(wav, static_cast<std::uint8_t>(bits / 8));
        EXPECT_EQ(a.wavPlx, -20) << bits;
        EXPECT_EQ(a.getWavType, -20) << bits;
        EXPECT_EQ(a.played, -20) << bits;
    }
}

TEST_F(OrvelBadInputTest, DataTagOnlyInsideAnotherChunkIsNoData) {
    // The text "data" inside a LIST chunk is not a data chunk: the walker
    // steps over chunk bodies.
    Bytes list = {'I', 'N', 'F', 'O', 'd', 'a', 't', 'a', 16, 0, 0, 0};
    const Bytes body = ramp(16);
    list.insert(list.end(), body.begin(), body.end());
    const std::string wav = write("in.wav", WavBuilder().format(1, 1, 11025, 8).chunk("LIST", list).bytes());
    const Answers a = ask(wav, 1);
    EXPECT_EQ(a.wavPlx, -30);
    EXPECT_EQ(a.getWavType, -30);
    EXPECT_EQ(a.played, -30);
}

TEST_F(OrvelBadInputTest, AWavFileOfNoSamples) {
    const std::string wav = write("in.wav", test::voiceWav(11025, 16, {}));
    const Answers a = ask(wav, 2);
    EXPECT_EQ(a.wavPlx, 0);
    EXPECT_EQ(a.getWavType, 0);
    EXPECT_EQ(a.played, 0) << "no block for no samples";
}

TEST_F(OrvelBadInputTest, AnUnreadableFileCannotBeOpened) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
    const Bytes bytes = test::voiceWav(11025, 16, ramp(64));
    const std::string wav = write("in.wav", bytes);
    fs::permissions(wav, fs::perms::owner_write);
    const Answers a = ask(wav, 2);
    fs::permissions(wav, fs::perms::owner_all);
    EXPECT_EQ(a.wavPlx, -1);
    EXPECT_EQ(a.getWavType, -1);
    EXPECT_EQ(a.played, -1);
    EXPECT_EQ(test::readFile(wav), bytes);
}

TEST_F(OrvelBadInputTest, NamesWithSpacesAndNonAsciiBytes) {
    for (const std::string name : {"voice memo 1.wav", "Besprechung \xC3\xBC.wav", "\xE9\x8C\xB2\xE9\x9F\xB3.wav",
                                   "r\xE9union.wav"}) {
        const std::string wav = write(name, test::voiceWav(8000, 8, ramp(100)));
        const Answers a = ask(wav, 1);
        EXPECT_EQ(a.wavPlx, 100) << name;
        EXPECT_EQ(a.getWavType, 100) << name;
        EXPECT_EQ(a.played, 200) << name;
    }
}

TEST_F(OrvelBadInputTest, AConversionOnAFullDisk) {
    const std::string wav = m_dir.file("out.wav").string();
    const Bytes codes(1360, 3);
    {
        // Not even the header fits: no file is left.
        test::FileSizeLimit limit(30);
        EXPECT_EQ(AdpcmDecHeader(wav.c_str(), 2, 11, 7, 3, 2, 2, 0, nullptr), -1);
    }
    EXPECT_FALSE(fs::exists(wav));

    ASSERT_EQ(AdpcmDecHeader(wav.c_str(), 2, 11, 7, 3, 2, 2, 0, nullptr), 44 + 2 * 2720);
    {
        // Part of the first page: the call fails, and the header tells the
        // whole samples that reached the file, not the two pages announced.
        test::FileSizeLimit limit(1001);
        EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -3);
    }
    const Bytes written = test::readFile(wav);
    ASSERT_GE(written.size(), 44u);
    EXPECT_LE(written.size(), 1001u);
    EXPECT_EQ(written.size() % 2, 0u);
    EXPECT_EQ(test::le32At(written, 40), written.size() - 44);
    EXPECT_EQ(test::le32At(written, 4), written.size() - 8);
    // The conversion is over: a later page would follow a gap.
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(test::readFile(wav), written);
}

TEST_F(OrvelBadInputTest, ARefusedHeaderCallEndsTheConversionBefore) {
    const std::string wav = m_dir.file("out.wav").string();
    const Bytes codes(1360, 3);
    ASSERT_EQ(AdpcmDecHeader(wav.c_str(), 2, 11, 7, 3, 2, 1, 0, nullptr), 44 + 2720);
    const Bytes header = test::readFile(wav);
    EXPECT_EQ(AdpcmDecHeader(wav.c_str(), 3, 11, 7, 3, 2, 1, 0, nullptr), -1) << "an 8 or 16-bit file only";
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(test::readFile(wav), header);
}

}  // namespace
}  // namespace zrc
