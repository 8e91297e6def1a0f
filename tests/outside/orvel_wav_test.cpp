// Orvel's WAV exports as the player calls them, one table of files: the
// length WavPlx and GetWavType give, the format bytes they write, the error
// codes of bad files with the info buffer and the slot untouched, and what
// PcmWavPlay plays of the whole file. Then stretches of a file as test
// playback asks for them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "orvel.h"
#include "signals.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::WavBuilder;

struct FileRow {
    std::string name;
    std::function<Bytes()> bytes;  // empty: nothing is written
    std::int32_t length;           // WavPlx's result; GetWavType's too unless `type` differs
    int rateCode = -1, bits = 16;  // the format bytes of a good file; bits / 8 is PcmWavPlay's sample size
    int dataStart = 44;            // GetWavType's third byte, plus one
    std::optional<std::int32_t> type = {};
    std::string file = "in.wav";   // empty: the folder itself
};
void PrintTo(const FileRow& r, std::ostream* os) { *os << r.name; }

std::function<Bytes()> voice(std::uint32_t rate, std::uint16_t bits, std::size_t bytes, std::uint16_t channels = 1) {
    return [=] { return test::WavFile{rate, channels, 1, bits, test::pattern(bytes)}.bytes(); };
}
std::function<Bytes()> sample(const std::string& name) {
    return [name] { return test::readFile(test::dataPath("wav/" + name)); };
}
std::function<Bytes()> chunks(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits,
                              std::function<void(WavBuilder&)> rest) {
    return [=] {
        WavBuilder b;
        b.format(tag, channels, 8000, bits);
        rest(b);
        return b.bytes();
    };
}
// 12 + "fmt " 24 + "LIST" 8 + junk: the data starts at 52 + junk.
auto dataAt(std::size_t junk) {
    return chunks(1, 1, 8, [=](WavBuilder& b) { b.chunk("LIST", Bytes(junk, 'x')).data(test::pattern(10)); });
}

class OrvelFiles : public ::testing::TestWithParam<FileRow> {
protected:
    test::TempDir m_dir;
};

TEST_P(OrvelFiles, AnswerWithTheirLengthOrCode) {
    const FileRow& row = GetParam();
    const std::string path = row.file.empty() ? m_dir.path().string() : m_dir.file(row.file).string();
    if (row.bytes) test::writeFile(path, row.bytes());
    Bytes info(100, 0xEE), type(100, 0xEE), expectedInfo(100, 0xEE), expectedType(100, 0xEE);
    void* cell = nullptr;
    EXPECT_EQ(WavPlx(path.c_str(), 2, 0, &cell, 0, 0, info.data()), row.length);
    EXPECT_EQ(cell, nullptr);
    const std::int32_t typeResult = row.type.value_or(row.length);
    EXPECT_EQ(GetWavType(path.c_str(), type.data()), typeResult);
    // Only the format bytes are written, and only for a good file.
    const auto u8 = [](int v) { return static_cast<std::uint8_t>(v); };
    if (row.length >= 0) std::tie(expectedInfo[50], expectedInfo[51]) = std::pair(u8(row.rateCode), u8(row.bits));
    if (typeResult >= 0) std::tie(expectedType[0], expectedType[1], expectedType[2]) = std::tuple(u8(row.rateCode), u8(row.bits / 8), u8(row.dataStart - 1));
    EXPECT_EQ(info, expectedInfo);
    EXPECT_EQ(type, expectedType);
    // The whole file, as 16-bit samples.
    int marker = 0;
    void* slot = &marker;
    const std::int32_t played = PcmWavPlay(path.c_str(), u8(row.bits / 8), 0, 1 << 20, &slot);
    EXPECT_EQ(played, row.length > 0 ? row.length * 16 / row.bits : row.length);
    if (played > 0) std::free(slot);
    else { EXPECT_EQ(slot, nullptr); }
}

INSTANTIATE_TEST_SUITE_P(
    Files, OrvelFiles,
    ::testing::Values(
        FileRow{"Greet11k16", sample("greet-11k16.wav"), 164872, 11}, FileRow{"Greet8k8", sample("greet-8k8.wav"), 59818, 8, 8},
        FileRow{"Voice11k8", voice(11025, 8, 77), 77, 11, 8}, FileRow{"Voice8k16", voice(8000, 16, 64), 64, 8},
        FileRow{"NoSamples", voice(11025, 16, 0), 0, 11},
        // The walker steps over chunk bodies (an odd one gets its pad byte);
        // a chunk after the data is never played as sound.
        FileRow{"DataBetweenOtherChunks", chunks(1, 1, 8, [](WavBuilder& b) {
                    b.chunk("LIST", test::pattern(13)).data(test::pattern(33)).chunk("LIST", Bytes(400, 0x55));
                }),
                33, 8, 8, 66},
        // The first "fmt " and the first "data" count, in either order.
        FileRow{"FormatAfterTheData",
                [] { return WavBuilder().data(test::pattern(4)).format(1, 1, 8000, 8).format(1, 1, 11025, 16).data({9, 9}).bytes(); },
                4, 8, 8, 20},
        FileRow{"DataStartAt256", dataAt(204), 10, 8, 8, 256}, FileRow{"DataStartBeyond256", dataAt(206), 10, 8, 8, 258, -40},
        FileRow{"DataSizeBeyondTheFile", chunks(1, 1, 16, [](WavBuilder& b) { b.data(test::pattern(500), 100000); }), 500, 8},
        // Names are taken as they are (PageCodec's file names hold UTF-8 too).
        FileRow{"Latin1Name", voice(8000, 8, 100), 100, 8, 8, 44, {}, "r\xE9union.wav"},
        FileRow{"Absent", {}, -1}, FileRow{"Folder", {}, -1, -1, 16, 44, {}, ""},
        FileRow{"NotRiff", [] { return WavBuilder().tags("RIFX", "WAVE").format(1, 1, 8000, 8).data({1}).bytes(); }, -10},
        FileRow{"NotWave", [] { return WavBuilder().tags("RIFF", "AVI ").format(1, 1, 8000, 8).data({1}).bytes(); }, -10},
        FileRow{"TooShort", [] { return Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}; }, -10},
        FileRow{"Stereo", voice(11025, 16, 40, 2), -20}, FileRow{"Rate44100", voice(44100, 16, 40), -20},
        FileRow{"Bits0", voice(8000, 0, 64), -20, -1, 0}, FileRow{"Bits12", voice(8000, 12, 64), -20, -1, 12},
        FileRow{"Bits24", voice(11025, 24, 48), -20, -1, 24}, FileRow{"Bits32", voice(8000, 32, 64), -20, -1, 32},
        FileRow{"Float", chunks(3, 1, 32, [](WavBuilder& b) { b.data(test::pattern(8)); }), -20},
        // A format that cannot serve says so even when the data is missing too.
        FileRow{"StereoWithoutData", chunks(1, 2, 8, [](WavBuilder&) {}), -20},
        FileRow{"NoData", chunks(1, 1, 8, [](WavBuilder& b) { b.chunk("LIST", {1, 2, 3}); }), -30},
        FileRow{"NoFormat", [] { return WavBuilder().data(test::pattern(8)).bytes(); }, -30}),
    [](const auto& p) { return p.param.name; });

// What a block slot receives, as bytes; frees the block.
Bytes take(void*& slot, std::int32_t bytes) {
    Bytes out;
    if (slot != nullptr && bytes > 0) out.assign(static_cast<std::uint8_t*>(slot), static_cast<std::uint8_t*>(slot) + bytes);
    std::free(slot);
    slot = nullptr;
    return out;
}

// A data chunk of 5,000 bytes at offset 44 (it ends at 5,044): the stretch
// asked for is cut to the chunk and to whole samples.
TEST(OrvelStretches, AsTestPlaybackAsksForThem) {
    test::TempDir dir;
    const std::string wav16 = dir.file("16.wav").string(), wav8 = dir.file("8.wav").string();
    const Bytes file = test::WavFile{8000, 1, 1, 16, test::pattern(5000)}.bytes();
    test::writeFile(wav16, file);
    // Eight-bit samples widened: -32768, 0, 32512, -32512, -256.
    test::writeFile(wav8, test::WavFile{8000, 1, 1, 8, {0x00, 0x80, 0xFF, 0x01, 0x7F}}.bytes());
    struct Row {
        const char* what;
        std::uint8_t bytesPerSample;
        std::int32_t start, length, offset, bytes;  // expected: the file's bytes [offset, offset + bytes)
    };
    for (const Row& c : std::vector<Row>{
             {"inside", 2, 1044, 1000, 1044, 1000}, {"over the end", 2, 4544, 1000, 4544, 500},
             {"from the header", 2, 0, 1000, 44, 956}, {"odd start", 2, 45, 1000, 46, 998}, {"odd length", 2, 44, 999, 44, 998},
             {"past the end", 2, 5044, 1000, 0, 0}, {"single byte left", 2, 5043, 1000, 0, 0}, {"zero length", 2, 44, 0, 0, 0},
             {"negative length", 2, 44, -5, 0, 0}, {"8-bit, negative start", 1, -100, 147, 44, 3}, {"8-bit, odd start", 1, 45, 1000, 45, 4}}) {
        void* slot = nullptr;
        const std::int32_t n = PcmWavPlay((c.bytesPerSample == 2 ? wav16 : wav8).c_str(), c.bytesPerSample, c.start, c.length, &slot);
        EXPECT_EQ(n, c.bytes * 2 / c.bytesPerSample) << c.what;
        const Bytes got = take(slot, n);
        if (c.bytesPerSample == 2) { EXPECT_EQ(got, Bytes(file.begin() + c.offset, file.begin() + c.offset + c.bytes)) << c.what; }
    }
    void* slot = nullptr;
    ASSERT_EQ(PcmWavPlay(wav8.c_str(), 1, 44, 1000, &slot), 10);
    EXPECT_EQ(take(slot, 10), (Bytes{0x00, 0x80, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x81, 0x00, 0xFF}));

    // Refusals leave the slot empty: another sample size than the file's,
    // no slot, no name; no info buffer still gives the length.
    int marker = 0;
    slot = &marker;
    EXPECT_EQ(PcmWavPlay(wav16.c_str(), 1, 44, 100, &slot), -20);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(PcmWavPlay(wav16.c_str(), 2, 44, 100, nullptr), 0);
    EXPECT_EQ(std::tuple(PcmWavPlay(nullptr, 2, 44, 100, &slot), WavPlx(nullptr, 2, 0, nullptr, 0, 0, nullptr),
                         GetWavType(nullptr, nullptr)), std::tuple(-1, -1, -1));
    EXPECT_EQ(GetWavType(wav16.c_str(), nullptr), 5000);
}

}  // namespace
}  // namespace zrc
