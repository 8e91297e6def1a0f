// Orvel's WAV exports as the player calls them: lengths and format bytes of
// good files, the error codes of bad ones, and the blocks test playback gets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "orvel.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc {
namespace {

using test::WavBuilder;

std::vector<std::uint8_t> pattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

class OrvelWav : public ::testing::Test {
protected:
    std::string write(const std::vector<std::uint8_t>& bytes, const std::string& name = "in.wav") {
        const auto path = m_dir.file(name);
        test::writeFile(path, bytes);
        return path.string();
    }
    test::TempDir m_dir;
};

// What a block slot receives, as bytes; frees the block.
std::vector<std::uint8_t> take(void*& slot, std::int32_t bytes) {
    std::vector<std::uint8_t> out;
    if (slot != nullptr && bytes > 0) {
        const auto* p = static_cast<const std::uint8_t*>(slot);
        out.assign(p, p + bytes);
    }
    std::free(slot);
    slot = nullptr;
    return out;
}

TEST_F(OrvelWav, MeasuresTheFourVoiceFormats) {
    struct Row {
        std::string path;
        std::uint8_t rateCode;
        std::uint8_t bits;
    };
    for (const Row& r : {Row{test::dataPath("wav/greet-11k16.wav").string(), 11, 16},
                         Row{test::dataPath("wav/greet-8k8.wav").string(), 8, 8},
                         Row{write(test::voiceWav(11025, 8, pattern(77)), "11k8.wav"), 11, 8},
                         Row{write(test::voiceWav(8000, 16, pattern(64)), "8k16.wav"), 8, 16}}) {
        const auto dataBytes = static_cast<std::int32_t>(std::filesystem::file_size(r.path) - 44);
        std::vector<std::uint8_t> info(100, 0xEE);
        void* cell = nullptr;
        EXPECT_EQ(WavPlx(r.path.c_str(), 2, 0, &cell, 0, 0, info.data()), dataBytes) << r.path;
        EXPECT_EQ(info[50], r.rateCode);
        EXPECT_EQ(info[51], r.bits);
        EXPECT_EQ(info[49], 0xEE);
        EXPECT_EQ(info[52], 0xEE);
        EXPECT_EQ(cell, nullptr);

        std::vector<std::uint8_t> type(100, 0xEE);
        EXPECT_EQ(GetWavType(r.path.c_str(), type.data()), dataBytes);
        EXPECT_EQ(type[0], r.rateCode);
        EXPECT_EQ(type[1], r.bits / 8);
        EXPECT_EQ(type[2], 43);
        EXPECT_EQ(type[3], 0xEE);
    }
}

struct FileCase {
    const char* name;
    std::vector<std::uint8_t> bytes;  // empty: see name
    std::int32_t wavPlx;
    std::int32_t getWavType;
    int dataStartLessOne = -1;  // GetWavType's third byte, when it describes the file
};

class OrvelBadFiles : public ::testing::TestWithParam<FileCase> {
protected:
    test::TempDir m_dir;
};

TEST_P(OrvelBadFiles, ReportTheirCode) {
    const FileCase& c = GetParam();
    std::filesystem::path path = m_dir.file("case.wav");
    if (std::string(c.name) == "missing") {
        path = m_dir.file("absent.wav");
    } else if (std::string(c.name) == "folder") {
        path = m_dir.path();
    } else {
        test::writeFile(path, c.bytes);
    }
    std::vector<std::uint8_t> info(100, 0xEE);
    const std::vector<std::uint8_t> untouched = info;
    EXPECT_EQ(WavPlx(path.string().c_str(), 2, 0, nullptr, 0, 0, info.data()), c.wavPlx);
    EXPECT_EQ(GetWavType(path.string().c_str(), info.data()), c.getWavType);
    if (c.wavPlx < 0 && c.getWavType < 0) {
        EXPECT_EQ(info, untouched);
    }
    if (c.dataStartLessOne >= 0) {
        EXPECT_EQ(info[2], c.dataStartLessOne);
    }
}

// 12 + "fmt " 24 + "LIST" 8 + 300 = 344: the data starts at 352.
std::vector<std::uint8_t> dataFarIn() {
    return WavBuilder().format(1, 1, 11025, 16).chunk("LIST", std::vector<std::uint8_t>(300, 'x')).data(pattern(10)).bytes();
}
// The last start GetWavType can describe: 12 + 24 + 8 + 204 + 8 = 256.
std::vector<std::uint8_t> dataAt256() {
    return WavBuilder().format(1, 1, 8000, 8).chunk("JUNK", std::vector<std::uint8_t>(204, 0)).data(pattern(10)).bytes();
}

INSTANTIATE_TEST_SUITE_P(
    Files, OrvelBadFiles,
    ::testing::Values(
        FileCase{"missing", {}, -1, -1}, FileCase{"folder", {}, -1, -1},
        FileCase{"notRiff", WavBuilder().tags("RIFX", "WAVE").format(1, 1, 8000, 8).data({1}).bytes(), -10, -10},
        FileCase{"notWave", WavBuilder().tags("RIFF", "AVI ").format(1, 1, 8000, 8).data({1}).bytes(), -10, -10},
        FileCase{"tooShort", {'R', 'I', 'F', 'F', 4, 0, 0, 0}, -10, -10},
        FileCase{"stereo", test::voiceWav(11025, 16, pattern(40), 2), -20, -20},
        FileCase{"rate44100", test::voiceWav(44100, 16, pattern(40)), -20, -20},
        FileCase{"bits24", test::voiceWav(11025, 24, pattern(48)), -20, -20},
        FileCase{"floatSamples", WavBuilder().format(3, 1, 8000, 32).data(pattern(8)).bytes(), -20, -20},
        FileCase{"noData", WavBuilder().format(1, 1, 8000, 8).chunk("LIST", {1, 2, 3}).bytes(), -30, -30},
        // A format that cannot serve says so even when the data is missing too.
        FileCase{"stereoWithoutData", WavBuilder().format(1, 2, 8000, 8).bytes(), -20, -20},
        FileCase{"noFormat", WavBuilder().data(pattern(8)).bytes(), -30, -30},
        FileCase{"dataBeyondTheFile", WavBuilder().format(1, 1, 8000, 16).data(pattern(500), 100000).bytes(), 500, 500},
        // 12 + 24 + "LIST" 8 + 13 + pad = 58: the data starts at 66.
        FileCase{"dataAfterOddChunk",
                 WavBuilder().format(1, 1, 11025, 8).chunk("LIST", pattern(13)).data(pattern(33)).bytes(), 33, 33, 65},
        FileCase{"dataStartBeyond256", dataFarIn(), 10, -40}, FileCase{"dataStartAt256", dataAt256(), 10, 10, 255}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(OrvelWav, PlaysStretchesOfASixteenBitFile) {
    const auto path = test::dataPath("wav/greet-11k16.wav");
    const auto file = test::readFile(path);
    void* slot = nullptr;
    for (std::int32_t k : {0, 1, 50, 163}) {
        const std::int32_t start = 44 + 1000 * k;
        const std::int32_t c = PcmWavPlay(path.string().c_str(), 2, start, 1000, &slot);
        ASSERT_EQ(c, 1000) << "block " << k;
        EXPECT_EQ(take(slot, c), std::vector<std::uint8_t>(file.begin() + start, file.begin() + start + 1000));
    }
    // The file's data ends 872 bytes into block 164; block 165 is beyond it.
    const std::int32_t tail = static_cast<std::int32_t>(file.size()) - (44 + 164000);
    ASSERT_EQ(tail, 872);
    EXPECT_EQ(PcmWavPlay(path.string().c_str(), 2, 44 + 164000, 5000, &slot), tail);
    take(slot, tail);
    EXPECT_EQ(PcmWavPlay(path.string().c_str(), 2, 44 + 165000, 1000, &slot), 0);
    EXPECT_EQ(slot, nullptr);
}

TEST_F(OrvelWav, WidensEightBitSamples) {
    const auto path = write(test::voiceWav(8000, 8, {0x00, 0x80, 0xFF, 0x01, 0x7F}));
    void* slot = nullptr;
    const std::int32_t c = PcmWavPlay(path.c_str(), 1, 44, 1000, &slot);
    ASSERT_EQ(c, 10);
    // -32768, 0, 32512, -32512, -256.
    EXPECT_EQ(take(slot, c), (std::vector<std::uint8_t>{0x00, 0x80, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x81, 0x00, 0xFF}));
}

TEST_F(OrvelWav, NeverReadsBeyondTheDataChunk) {
    // A chunk after the data must not be played as sound.
    const auto samples = pattern(100);
    const auto path = write(WavBuilder().format(1, 1, 11025, 16).data(samples).chunk("LIST", std::vector<std::uint8_t>(400, 0x55)).bytes());
    void* slot = nullptr;
    std::int32_t c = PcmWavPlay(path.c_str(), 2, 44, 1000, &slot);
    ASSERT_EQ(c, 100);
    EXPECT_EQ(take(slot, c), samples);

    // A data size beyond the file: only what is there.
    const auto cut = write(WavBuilder().format(1, 1, 8000, 8).data(pattern(30), 5000).bytes(), "cut.wav");
    c = PcmWavPlay(cut.c_str(), 1, 0, 1000, &slot);
    EXPECT_EQ(c, 60);
    take(slot, c);
}

TEST_F(OrvelWav, PlayRefusalsLeaveTheSlotEmpty) {
    const auto path = write(test::voiceWav(11025, 16, pattern(200)));
    int dummy = 0;
    void* slot = &dummy;
    EXPECT_EQ(PcmWavPlay(path.c_str(), 1, 44, 100, &slot), -20);  // not the file's sample size
    EXPECT_EQ(slot, nullptr);
    slot = &dummy;
    EXPECT_EQ(PcmWavPlay(m_dir.file("absent.wav").string().c_str(), 2, 44, 100, &slot), -1);
    EXPECT_EQ(slot, nullptr);
    slot = &dummy;
    EXPECT_EQ(PcmWavPlay(path.c_str(), 2, 44, 0, &slot), 0);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(PcmWavPlay(path.c_str(), 2, 44, 100, nullptr), 0);
    EXPECT_EQ(PcmWavPlay(nullptr, 2, 44, 100, &slot), -1);
    EXPECT_EQ(WavPlx(nullptr, 2, 0, nullptr, 0, 0, nullptr), -1);
    EXPECT_EQ(GetWavType(nullptr, nullptr), -1);
    // Without an info buffer the length still comes back.
    EXPECT_EQ(GetWavType(path.c_str(), nullptr), 200);
}

}  // namespace
}  // namespace zrc
