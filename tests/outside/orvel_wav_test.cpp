// Orvel's WAV exports as the player calls them, one table of files: the
// length WavPlx and GetWavType give, the format bytes they write, the error
// codes of bad files with the info buffer and the slot untouched, and what
// PcmWavPlay plays of the whole file. Then stretches of a file as test
// playback asks for them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "orvel.h"
#include "signals.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::WavBuilder;

struct FileRow {
    std::string name;
    std::function<Bytes()> bytes;  // empty: see `kind`
    std::int32_t wavPlx, getWavType, played;  // played: by PcmWavPlay of the whole file
    std::uint8_t sampleBytes = 2;           // PcmWavPlay's sample size
    int rateCode = -1, bits = -1;           // the format bytes, where the file is good
    int dataStartLessOne = -1;              // GetWavType's third byte, where it describes the file
    std::string kind = "file";              // "file", "absent", "folder", "locked", or a file name
};
void PrintTo(const FileRow& r, std::ostream* os) { *os << r.name; }

std::function<Bytes()> voice(std::uint32_t rate, std::uint16_t bits, std::size_t bytes, std::uint16_t channels = 1) {
    return [=] { return test::voiceWav(rate, bits, test::pattern(bytes), channels); };
}
std::function<Bytes()> sample(const std::string& name) {
    return [name] { return test::readFile(test::dataPath("wav/" + name)); };
}

class OrvelFiles : public ::testing::TestWithParam<FileRow> {
protected:
    test::TempDir m_dir;
};

TEST_P(OrvelFiles, AnswerWithTheirLengthOrCode) {
    const FileRow& row = GetParam();
    std::string path = m_dir.file(row.kind.find(".wav") != std::string::npos ? row.kind : "in.wav").string();
    if (row.kind == "folder") path = m_dir.path().string();
    if (row.bytes) test::writeFile(path, row.bytes());
    if (row.kind == "locked") {
        if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
        fs::permissions(path, fs::perms::owner_write);
    }
    Bytes info(100, 0xEE), type(100, 0xEE);
    void* cell = nullptr;
    EXPECT_EQ(WavPlx(path.c_str(), 2, 0, &cell, 0, 0, info.data()), row.wavPlx);
    EXPECT_EQ(cell, nullptr);
    EXPECT_EQ(GetWavType(path.c_str(), type.data()), row.getWavType);
    int marker = 0;
    void* slot = &marker;
    EXPECT_EQ(PcmWavPlay(path.c_str(), row.sampleBytes, 0, 1 << 20, &slot), row.played);
    if (row.played > 0) {
        std::free(slot);
    } else {
        EXPECT_EQ(slot, nullptr);
    }
    // Only the format bytes are written, and only for a good file.
    Bytes expectedInfo(100, 0xEE), expectedType(100, 0xEE);
    if (row.rateCode >= 0) {
        expectedInfo[50] = static_cast<std::uint8_t>(row.rateCode);
        expectedInfo[51] = static_cast<std::uint8_t>(row.bits);
        expectedType[0] = static_cast<std::uint8_t>(row.rateCode);
        expectedType[1] = static_cast<std::uint8_t>(row.bits / 8);
    }
    if (row.dataStartLessOne >= 0) expectedType[2] = static_cast<std::uint8_t>(row.dataStartLessOne);
    if (row.wavPlx < 0 || row.rateCode >= 0) {
        EXPECT_EQ(info, expectedInfo);
    }
    if (row.getWavType < 0 || row.rateCode >= 0) {
        EXPECT_EQ(type, expectedType);
    }
}

// 12 + "fmt " 24 + "LIST" 8 + 300 = 344: the data starts at 352. The last
// start GetWavType can describe: 12 + 24 + 8 + 204 + 8 = 256.
Bytes dataAt(std::size_t junk) {
    return WavBuilder().format(1, 1, 8000, 8).chunk("LIST", Bytes(junk, 'x')).data(test::pattern(10)).bytes();
}

INSTANTIATE_TEST_SUITE_P(
    Files, OrvelFiles,
    ::testing::Values(
        FileRow{"Greet11k16", sample("greet-11k16.wav"), 164872, 164872, 164872, 2, 11, 16, 43},
        FileRow{"Greet8k8", sample("greet-8k8.wav"), 59818, 59818, 119636, 1, 8, 8, 43},
        FileRow{"Voice11k8", voice(11025, 8, 77), 77, 77, 154, 1, 11, 8, 43},
        FileRow{"Voice8k16", voice(8000, 16, 64), 64, 64, 64, 2, 8, 16, 43},
        FileRow{"NoSamples", voice(11025, 16, 0), 0, 0, 0, 2, 11, 16, 43},
        // The walker steps over chunk bodies: an odd one gets its pad byte.
        FileRow{"DataAfterAnOddChunk",
                [] { return WavBuilder().format(1, 1, 11025, 8).chunk("LIST", test::pattern(13)).data(test::pattern(33)).bytes(); },
                33, 33, 66, 1, 11, 8, 65},
        FileRow{"DataStartAt256", [] { return dataAt(204); }, 10, 10, 20, 1, 8, 8, 255},
        FileRow{"DataStartBeyond256", [] { return dataAt(300); }, 10, -40, 20, 1},
        FileRow{"DataSizeBeyondTheFile",
                [] { return WavBuilder().format(1, 1, 8000, 16).data(test::pattern(500), 100000).bytes(); }, 500, 500,
                500, 2, 8, 16, 43},
        FileRow{"SpacesInTheName", voice(8000, 8, 100), 100, 100, 200, 1, 8, 8, 43, "voice memo 1.wav"},
        FileRow{"Utf8Name", voice(8000, 8, 100), 100, 100, 200, 1, 8, 8, 43, "Besprechung \xC3\xBC.wav"},
        FileRow{"Latin1Name", voice(8000, 8, 100), 100, 100, 200, 1, 8, 8, 43, "r\xE9union.wav"},
        FileRow{"Absent", {}, -1, -1, -1, 2, -1, -1, -1, "absent"},
        FileRow{"Folder", {}, -1, -1, -1, 2, -1, -1, -1, "folder"},
        FileRow{"Unreadable", voice(11025, 16, 64), -1, -1, -1, 2, -1, -1, -1, "locked"},
        FileRow{"NotRiff", [] { return WavBuilder().tags("RIFX", "WAVE").format(1, 1, 8000, 8).data({1}).bytes(); }, -10,
                -10, -10},
        FileRow{"NotWave", [] { return WavBuilder().tags("RIFF", "AVI ").format(1, 1, 8000, 8).data({1}).bytes(); }, -10,
                -10, -10},
        FileRow{"TooShort", [] { return Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}; }, -10, -10, -10},
        FileRow{"Stereo", voice(11025, 16, 40, 2), -20, -20, -20},
        FileRow{"Rate44100", voice(44100, 16, 40), -20, -20, -20},
        FileRow{"Bits0", voice(8000, 0, 64), -20, -20, -20, 0},
        FileRow{"Bits12", voice(8000, 12, 64), -20, -20, -20, 1},
        FileRow{"Bits24", voice(11025, 24, 48), -20, -20, -20, 3},
        FileRow{"Bits32", voice(8000, 32, 64), -20, -20, -20, 4},
        FileRow{"Float", [] { return WavBuilder().format(3, 1, 8000, 32).data(test::pattern(8)).bytes(); }, -20, -20, -20},
        // A format that cannot serve says so even when the data is missing too.
        FileRow{"StereoWithoutData", [] { return WavBuilder().format(1, 2, 8000, 8).bytes(); }, -20, -20, -20},
        FileRow{"NoData", [] { return WavBuilder().format(1, 1, 8000, 8).chunk("LIST", {1, 2, 3}).bytes(); }, -30, -30,
                -30},
        FileRow{"NoFormat", [] { return WavBuilder().data(test::pattern(8)).bytes(); }, -30, -30, -30},
        // The text "data" inside a LIST chunk is not a data chunk.
        FileRow{"DataTagOnlyInsideAnotherChunk",
                [] {
                    Bytes list{'I', 'N', 'F', 'O', 'd', 'a', 't', 'a', 16, 0, 0, 0};
                    const Bytes body = test::pattern(16);
                    list.insert(list.end(), body.begin(), body.end());
                    return WavBuilder().format(1, 1, 11025, 8).chunk("LIST", list).bytes();
                },
                -30, -30, -30, 1}),
    [](const auto& p) { return p.param.name; });

// What a block slot receives, as bytes; frees the block.
Bytes take(void*& slot, std::int32_t bytes) {
    Bytes out;
    if (slot != nullptr && bytes > 0) out.assign(static_cast<std::uint8_t*>(slot), static_cast<std::uint8_t*>(slot) + bytes);
    std::free(slot);
    slot = nullptr;
    return out;
}

TEST(OrvelStretches, AsTestPlaybackAsksForThem) {
    const std::string path = test::dataPath("wav/greet-11k16.wav").string();
    const Bytes file = test::readFile(path);
    void* slot = nullptr;
    for (std::int32_t start : {44, 1044, 50044, 163044}) {
        ASSERT_EQ(PcmWavPlay(path.c_str(), 2, start, 1000, &slot), 1000) << start;
        EXPECT_EQ(take(slot, 1000), Bytes(file.begin() + start, file.begin() + start + 1000)) << start;
    }
    // The data ends 872 bytes into the stretch at 164,044; beyond it, nothing.
    EXPECT_EQ(PcmWavPlay(path.c_str(), 2, 164044, 5000, &slot), 872);
    take(slot, 872);
    EXPECT_EQ(PcmWavPlay(path.c_str(), 2, 165044, 1000, &slot), 0);
    EXPECT_EQ(slot, nullptr);

    // Eight-bit samples widened: -32768, 0, 32512, -32512, -256.
    test::TempDir dir;
    const std::string eight = dir.file("8.wav").string();
    test::writeFile(eight, test::voiceWav(8000, 8, {0x00, 0x80, 0xFF, 0x01, 0x7F}));
    ASSERT_EQ(PcmWavPlay(eight.c_str(), 1, 44, 1000, &slot), 10);
    EXPECT_EQ(take(slot, 10), (Bytes{0x00, 0x80, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x81, 0x00, 0xFF}));

    // A chunk after the data is never played as sound.
    const std::string tail = dir.file("tail.wav").string();
    test::writeFile(tail, WavBuilder().format(1, 1, 11025, 16).data(test::pattern(100)).chunk("LIST", Bytes(400, 0x55)).bytes());
    ASSERT_EQ(PcmWavPlay(tail.c_str(), 2, 44, 1000, &slot), 100);
    EXPECT_EQ(take(slot, 100), test::pattern(100));

    // Refusals leave the slot empty: another sample size than the file's,
    // no length, no slot, no name; no info buffer still gives the length.
    int marker = 0;
    for (const auto& [size, length] : std::vector<std::pair<std::uint8_t, std::int32_t>>{{1, 100}, {2, 0}}) {
        slot = &marker;
        EXPECT_EQ(PcmWavPlay(tail.c_str(), size, 44, length, &slot), size == 1 ? -20 : 0);
        EXPECT_EQ(slot, nullptr);
    }
    EXPECT_EQ(PcmWavPlay(tail.c_str(), 2, 44, 100, nullptr), 0);
    EXPECT_EQ(PcmWavPlay(nullptr, 2, 44, 100, &slot), -1);
    EXPECT_EQ(WavPlx(nullptr, 2, 0, nullptr, 0, 0, nullptr), -1);
    EXPECT_EQ(GetWavType(nullptr, nullptr), -1);
    EXPECT_EQ(GetWavType(tail.c_str(), nullptr), 100);
}

}  // namespace
}  // namespace zrc
