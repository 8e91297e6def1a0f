// Orvel as the player calls it. The RIFF walk, WAV plan and writer behind it
// are shared: the rows here are Orvel's own answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <random>

#include "file_size_limit.h"
#include "orvel.h"
#include "page_road.h"
#include "signals.h"
#include "test_files.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ParameterSet;
using test::WavBuilder;

class OrvelTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir.file(name).string(); }
    Bytes read(const std::string& name) const { return test::readFile(m_dir.file(name)); }
    // The header call (pages of set 0, of set 1) into the player's buffer of 201 bytes; -1 leaves it untouched.
    std::int32_t header(const std::string& wav, int pcmBit, int rate0, int bits0, int pages0, int pages1 = 0) {
        m_scratch.assign(201, 0);
        const std::int32_t r = AdpcmDecHeader(wav.c_str(), pcmBit, rate0, 7, bits0, 2, pages0, pages1, m_scratch.data());
        EXPECT_TRUE(r != -1 || m_scratch == Bytes(201, 0)) << "a refusal wrote to the buffer";
        return r;
    }
    std::int32_t page(const std::string& wav, int pcmBit = 2) {
        return AdpcmDecx(wav.c_str(), m_codes.data(), 11, 3, 1360, pcmBit, 0);
    }
    test::TempDir m_dir;
    Bytes m_scratch = Bytes(201, 0), m_codes = Bytes(1360, 3);
};

struct FileRow {
    std::string name;
    std::optional<Bytes> bytes;    // none: nothing is written
    std::int32_t length;           // WavPlx's result; GetWavType's too unless `type` differs
    int rateCode = -1, bits = 16;  // the format bytes of a good file; bits / 8 is PcmWavPlay's sample size
    int dataStart = 44;            // GetWavType's third byte, plus one
    std::optional<std::int32_t> type = {};
    std::string file = "in.wav";   // empty: the folder itself
};
void PrintTo(const FileRow& r, std::ostream* os) { *os << r.name; }

Bytes voice(std::uint32_t rate, std::uint16_t bits, std::size_t bytes, std::uint16_t channels = 1) {
    return test::WavFile{rate, channels, 1, bits, test::pattern(bytes)}.bytes();
}
WavBuilder at8k(std::uint16_t bits = 8, std::uint16_t channels = 1, std::uint16_t tag = 1) {
    return std::move(WavBuilder().format(tag, channels, 8000, bits));
}
// 12 + "fmt " 24 + "LIST" 8 + junk: the data starts at 52 + junk.
Bytes dataAt(std::size_t junk) { return at8k().chunk("LIST", Bytes(junk, 'x')).data(test::pattern(10)).bytes(); }

class OrvelFiles : public OrvelTest, public ::testing::WithParamInterface<FileRow> {};

// The player takes a file's length and format from these three; a bad file must leave its buffers alone.
TEST_P(OrvelFiles, AnswerWithTheirLengthOrCode) {
    const FileRow& row = GetParam();
    const std::string wav = path(row.file);
    if (row.bytes) test::writeFile(wav, *row.bytes);
    Bytes info(100, 0xEE), type(100, 0xEE), expectedInfo(100, 0xEE), expectedType(100, 0xEE);
    void* cell = nullptr;
    EXPECT_EQ(WavPlx(wav.c_str(), 2, 0, &cell, 0, 0, info.data()), row.length);
    EXPECT_EQ(cell, nullptr);
    const std::int32_t typeResult = row.type.value_or(row.length);
    EXPECT_EQ(GetWavType(wav.c_str(), type.data()), typeResult);
    // Only the format bytes are written, and only for a good file.
    const auto u8 = [](int v) { return static_cast<std::uint8_t>(v); };
    if (row.length >= 0) std::tie(expectedInfo[50], expectedInfo[51]) = std::pair(u8(row.rateCode), u8(row.bits));
    if (typeResult >= 0) {
        std::tie(expectedType[0], expectedType[1], expectedType[2]) =
            std::tuple(u8(row.rateCode), u8(row.bits / 8), u8(row.dataStart - 1));
    }
    EXPECT_EQ(info, expectedInfo);
    EXPECT_EQ(type, expectedType);
    // The whole file, as 16-bit samples.
    int marker = 0;
    void* slot = &marker;
    const std::int32_t played = PcmWavPlay(wav.c_str(), u8(row.bits / 8), 0, 1 << 20, &slot);
    EXPECT_EQ(played, row.length > 0 ? row.length * 16 / row.bits : row.length);
    if (played > 0) std::free(slot);
    else { EXPECT_EQ(slot, nullptr); }
}

INSTANTIATE_TEST_SUITE_P(
    Files, OrvelFiles,
    ::testing::Values(
        FileRow{"Greet11k16", test::readFile(test::dataPath("wav/greet-11k16.wav")), 164872, 11},
        FileRow{"Greet8k8", test::readFile(test::dataPath("wav/greet-8k8.wav")), 59818, 8, 8},
        FileRow{"Voice11k8", voice(11025, 8, 77), 77, 11, 8}, FileRow{"Voice8k16", voice(8000, 16, 64), 64, 8},
        FileRow{"NoSamples", voice(11025, 16, 0), 0, 11},
        // Chunk bodies stepped over (an odd one padded); a chunk after the data is not sound.
        FileRow{"DataBetweenOtherChunks",
                at8k().chunk("LIST", test::pattern(13)).data(test::pattern(33)).chunk("LIST", Bytes(400, 0x55)).bytes(),
                33, 8, 8, 66},
        // The first "fmt " and the first "data" count, in either order.
        FileRow{"FormatAfterTheData",
                WavBuilder().data(test::pattern(4)).format(1, 1, 8000, 8).format(1, 1, 11025, 16).data({9, 9}).bytes(),
                4, 8, 8, 20},
        FileRow{"DataStartAt256", dataAt(204), 10, 8, 8, 256},
        FileRow{"DataStartBeyond256", dataAt(206), 10, 8, 8, 258, -40},
        FileRow{"DataSizeBeyondTheFile", at8k(16).data(test::pattern(500), 100000).bytes(), 500, 8},
        // Names are taken as they are (PageCodec's file names hold UTF-8 too).
        FileRow{"Latin1Name", voice(8000, 8, 100), 100, 8, 8, 44, {}, "r\xE9union.wav"}, FileRow{"Absent", {}, -1},
        FileRow{"Folder", {}, -1, -1, 16, 44, {}, ""},
        FileRow{"NotRiff", at8k().data({1}).tags("RIFX", "WAVE").bytes(), -10},
        FileRow{"NotWave", at8k().data({1}).tags("RIFF", "AVI ").bytes(), -10},
        FileRow{"TooShort", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0}, -10},
        FileRow{"Stereo", voice(11025, 16, 40, 2), -20}, FileRow{"Rate44100", voice(44100, 16, 40), -20},
        FileRow{"Bits0", voice(8000, 0, 64), -20, -1, 0}, FileRow{"Bits12", voice(8000, 12, 64), -20, -1, 12},
        FileRow{"Bits24", voice(11025, 24, 48), -20, -1, 24}, FileRow{"Bits32", voice(8000, 32, 64), -20, -1, 32},
        FileRow{"Float", at8k(32, 1, 3).data(test::pattern(8)).bytes(), -20},
        // A format that cannot serve says so even when the data is missing too.
        FileRow{"StereoWithoutData", at8k(8, 2).bytes(), -20},
        FileRow{"NoData", at8k().chunk("LIST", {1, 2, 3}).bytes(), -30},
        FileRow{"NoFormat", WavBuilder().data(test::pattern(8)).bytes(), -30}),
    [](const auto& p) { return p.param.name; });

// The stretches are the core's table; here, the bytes reach the block, 8-bit ones widened.
TEST_F(OrvelTest, StretchesAsTestPlaybackAsksForThem) {
    const std::string wav16 = path("16.wav"), wav8 = path("8.wav");
    const Bytes file = test::WavFile{8000, 1, 1, 16, test::pattern(5000)}.bytes();
    test::writeFile(wav16, file);
    test::writeFile(wav8, test::WavFile{8000, 1, 1, 8, {0x00, 0x80, 0xFF, 0x01, 0x7F}}.bytes());
    for (const auto& [name, bytesPerSample, start, expected] : std::vector<std::tuple<std::string, std::uint8_t, int, Bytes>>{
             {wav16, 2, 4545, Bytes(file.begin() + 4546, file.end())},
             {wav8, 1, 44, Bytes{0x00, 0x80, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x81, 0x00, 0xFF}}}) {
        void* block = nullptr;
        ASSERT_EQ(PcmWavPlay(name.c_str(), bytesPerSample, start, 1000, &block), static_cast<std::int32_t>(expected.size()));
        EXPECT_EQ(Bytes(static_cast<std::uint8_t*>(block), static_cast<std::uint8_t*>(block) + expected.size()), expected);
        std::free(block);
    }
    int marker = 0;
    void* slot = &marker;
    EXPECT_EQ(PcmWavPlay(wav16.c_str(), 1, 44, 100, &slot), -20) << "another sample size than the file's";
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(PcmWavPlay(wav16.c_str(), 2, 44, 100, nullptr), 0);
    EXPECT_EQ(std::tuple(PcmWavPlay(nullptr, 2, 44, 100, &slot), WavPlx(nullptr, 2, 0, nullptr, 0, 0, nullptr),
                         GetWavType(nullptr, nullptr)), std::tuple(-1, -1, -1));
    EXPECT_EQ(GetWavType(wav16.c_str(), nullptr), 5000);  // no info buffer still gives the length
}

struct Row {
    std::string name;
    std::uint8_t mode = 0;
    ParameterSet set = {};
    std::size_t codes = 0;
    int pcmBit = 2;
    std::vector<int> types = {};  // the flags of pages of both types
};
void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }


class Converts : public OrvelTest, public ::testing::WithParamInterface<Row> {};

// The file AdpcmDec1 writes in a header call and one page range.
Bytes adpcmDec1(const std::string& zrc, const std::string& wav, int pcmBit) {
    const auto& pc = test::loadedPageCodec();
    const std::int32_t pages = pc.AdpcmDec1(zrc.c_str(), wav.c_str(), pcmBit, 0, 0, nullptr, 0);
    EXPECT_GT(pc.AdpcmDec1(nullptr, nullptr, pcmBit, 0, pages - 1, nullptr, 1), 2) << "from " << pages << " pages";
    return test::readFile(wav);
}

// Orvel's rows of the table every converter answers to: AdpcmDec1's file, or for both page types the playback blocks.
TEST_P(Converts, TheReference) {
    const Row& c = GetParam();
    const std::string zrc = path("rec.zrc");
    std::mt19937 rng(5150);
    test::ZrcBuilder b;
    b.mode(c.mode);
    if (c.mode == 0) b.set0(c.set);
    else b.set1(c.set);
    for (int p = 0; p < 9 && c.types.empty(); ++p) b.page(test::randomCodes(c.codes, c.set.width, rng), c.set.width, c.mode);
    for (int t : c.types) b.page(test::randomCodes(t ? 2046 : 1360, t ? 2 : 3, rng), t ? 2 : 3, static_cast<std::uint8_t>(t));
    test::writeFile(zrc, b.bytes());
    const Bytes reference =
        c.types.empty()
            ? adpcmDec1(zrc, path("reference.wav"), c.pcmBit)
            : WavBuilder().format(1, 1, 11025, 16).data16(test::playbackBlocks(zrc, test::allPages(zrc))).bytes();

    // The player's Save As: the pages of each set announced, the opening call, then every page.
    const RecordingInfo info = test::loadedPageCodec().play_splpget(zrc.c_str());
    std::vector<Bytes> codes(info.pageCount, Bytes(2048));
    std::vector<test::PageCodes> pages;
    std::int32_t counted[2] = {};
    for (std::uint32_t p = 0; p < info.pageCount; ++p)
        ++counted[pages.emplace_back(test::pageCodes(zrc, info, p, codes[p].data())).set1];
    const std::string wav = path("out.wav");
    EXPECT_EQ(AdpcmDecHeader(wav.c_str(), c.pcmBit, info.rate0, info.rate1, info.bits0, info.bits1, counted[0], counted[1],
                             m_scratch.data()),
              static_cast<std::int32_t>(reference.size()));
    ASSERT_EQ(AdpcmDecx(wav.c_str(), nullptr, 0, 0, 0, c.pcmBit, 1), 0);
    for (std::uint32_t p = 0; p < info.pageCount; ++p) {
        const bool set1 = pages[p].set1;
        ASSERT_EQ(AdpcmDecx(wav.c_str(), codes[p].data(), set1 ? info.rate1 : info.rate0, set1 ? info.bits1 : info.bits0,
                            pages[p].count, c.pcmBit, counted[0] > 0 && counted[1] > 0 ? 2 : 0), 0) << "page " << p;
    }
    EXPECT_TRUE(read("out.wav") == reference) << "the WAV files differ";
    // The player's buffer got the header as first written, then zeros.
    EXPECT_TRUE(std::equal(reference.begin(), reference.begin() + 44, m_scratch.begin()));
    EXPECT_TRUE(std::all_of(m_scratch.begin() + 44, m_scratch.end(), [](std::uint8_t v) { return v == 0; }));
}

const std::vector<int> kMixed{0, 1, 1, 0, 1, 0, 0, 1, 0};

INSTANTIATE_TEST_SUITE_P(Recordings, Converts,
                         ::testing::Values(Row{"Mode0Rate11Width3_16bit", 0, {11, 3, 510, 0}, 1360, 2},
                                           Row{"Mode0Rate11Width4_16bit", 0, {11, 4, 512, 0}, 1024, 2},
                                           Row{"Mode0Rate8Width4_8bit", 0, {8, 4, 512, 0}, 1024, 1},
                                           Row{"Mode1Rate7Width2_8bit", 1, {7, 2, 511, 4}, 2046, 1},
                                           Row{"Mode1Rate8Width2_16bit", 1, {8, 2, 512, 0}, 2048, 2},
                                           Row{"BothTypes_16bit", 0, {}, 0, 2, kMixed}),
                         [](const auto& p) { return p.param.name; });

TEST_F(OrvelTest, RefusesWhatItCannotWrite) {
    const std::string wav = path("out.wav");
    // Not creatable; a sample size, rate or width it cannot write; 5.4 GB of samples.
    EXPECT_EQ(AdpcmDecHeader(nullptr, 2, 11, 7, 3, 2, 4, 0, nullptr), -1);
    for (const auto& [name, pcmBit, rate, bits, pages0, pages1] :
         std::vector<std::tuple<std::string, int, int, int, int, int>>{{path("no-such-folder/out.wav"), 2, 11, 3, 4, 0},
                                                                       {m_dir.path().string(), 2, 11, 3, 4, 0},
                                                                       {wav, 0, 11, 3, 4, 0},
                                                                       {wav, 3, 11, 3, 4, 0},
                                                                       {wav, 2, 9, 3, 4, 0},
                                                                       {wav, 2, 11, 5, 4, 1},
                                                                       {wav, 2, 11, 3, 2000000, 0},
                                                                       {wav, 2, 11, 3, -4, 0}}) {
        EXPECT_EQ(header(name, pcmBit, rate, bits, pages0, pages1), -1) << name << " " << pcmBit << " " << rate << " " << pages0;
    }
    // Without a conversion nothing is appended, and nothing is created.
    EXPECT_EQ(page(wav), -1);
    EXPECT_FALSE(fs::exists(wav));

    // A conversion takes codes, and only its own file name and sample size.
    ASSERT_EQ(header(wav, 2, 11, 3, 1), 44 + 2720);
    EXPECT_EQ(std::tuple(AdpcmDecx(wav.c_str(), nullptr, 11, 3, 1360, 2, 0),
                         AdpcmDecx(nullptr, m_codes.data(), 11, 3, 1360, 2, 0), page(path("other.wav")), page(wav, 1)),
              std::tuple(-1, -1, -1, -1));
    EXPECT_EQ(page(wav), 0);
    // A refused header call ends the conversion before it.
    EXPECT_EQ(header(wav, 3, 11, 3, 1), -1);
    EXPECT_EQ(page(wav), -1);
    EXPECT_EQ(fs::file_size(wav), 44u + 2720);

    // 2.72 GB of samples fit a WAV file but not a 32-bit result.
    EXPECT_EQ(header(wav, 2, 11, 3, 1000000), std::numeric_limits<std::int32_t>::max());
    ASSERT_EQ(fs::file_size(wav), 44u);
    EXPECT_EQ(test::le32At(read("out.wav"), 40), 2720000000u);
}

// The player tells a deleted file from a full disk by these codes (the writer's truth is the codec's).
TEST_F(OrvelTest, EndsWhenTheFileGoesOrAWriteFails) {
    const std::string wav = path("out.wav");
    for (const std::int32_t code : {-2, -3}) {  // the file deleted, the disk full
        ASSERT_EQ(header(wav, 2, 11, 3, 2), 44 + 2 * 2720);
        if (code == -2) fs::remove(wav);
        {
            test::FileSizeLimit limit(code == -3 ? 1001 : 1 << 20);
            EXPECT_EQ(page(wav), code);
        }
        test::writeFile(wav, {'m', 'i', 'n', 'e'});  // someone else's file of that name
        EXPECT_EQ(page(wav), -1) << "after " << code;
        EXPECT_EQ(read("out.wav"), (Bytes{'m', 'i', 'n', 'e'})) << "after " << code;
    }
}

}  // namespace
}  // namespace zrc
