// Orvel's WAV side against hostile and broken files, the rows that the
// OrvelBadFiles table of orvel_wav_test.cpp does not hold: each gives its
// error code with the info buffer and the slot untouched, or plays only the
// samples that are there.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace zrc
