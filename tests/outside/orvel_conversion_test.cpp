// Orvel's conversion as the player drives it: files of one page type equal
// AdpcmDec1's, files of both types hold the playback blocks. The WAV plan and
// writer behind it are the codec's, whose whole-file tests hold the header's
// truth after every page and on a full disk; here, Orvel's own codes for each.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>

#include "file_size_limit.h"
#include "page_road.h"
#include "test_files.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ParameterSet;

struct Row {
    std::string name;
    std::string sample;  // a bundled recording, or empty: built from the fields below
    std::uint8_t mode = 0;
    ParameterSet set = {};
    std::size_t codes = 0;
    int pcmBit = 2;
    std::vector<int> types = {};  // both types: the playback blocks are the reference
};
void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

class OrvelConversion : public ::testing::Test {
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
    std::int32_t page(const std::string& wav, int pcmBit = 2) { return AdpcmDecx(wav.c_str(), m_codes.data(), 11, 3, 1360, pcmBit, 0); }
    test::TempDir m_dir;
    Bytes m_scratch = Bytes(201, 0), m_codes = Bytes(1360, 3);
};

class Converts : public OrvelConversion, public ::testing::WithParamInterface<Row> {};

// Both page types: the playback blocks at 11,025 Hz; 16-bit as they are,
// 8-bit their top byte, cut toward zero, offset by 128 (-1 gives 128, -256
// gives 127).
Bytes playbackAsWav(const std::string& zrc, int pcmBit) {
    Bytes samples;
    for (std::int16_t s : test::playbackBlocks(zrc, test::allPages(zrc))) {
        if (pcmBit == 2) samples.insert(samples.end(), {static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(s >> 8)});
        else samples.push_back(static_cast<std::uint8_t>(s / 256 + 128));
    }
    return test::WavBuilder().format(1, 1, 11025, static_cast<std::uint16_t>(8 * pcmBit)).data(samples).bytes();
}

// The file AdpcmDec1 writes in a header call and one page range.
Bytes adpcmDec1(const std::string& zrc, const std::string& wav, int pcmBit) {
    const auto& pc = test::loadedPageCodec();
    const std::int32_t pages = pc.AdpcmDec1(zrc.c_str(), wav.c_str(), pcmBit, 0, 0, nullptr, 0);
    EXPECT_GT(pc.AdpcmDec1(nullptr, nullptr, pcmBit, 0, pages - 1, nullptr, 1), 2) << "from " << pages << " pages";
    return test::readFile(wav);
}

TEST_P(Converts, TheReference) {
    const Row& c = GetParam();
    std::string zrc = c.sample.empty() ? path("rec.zrc") : (fs::path(ZRC_SAMPLES_DIR) / c.sample).string();
    std::mt19937 rng(5150);
    test::ZrcBuilder b;
    b.mode(c.mode);
    if (c.mode == 0) b.set0(c.set);
    else b.set1(c.set);
    for (int p = 0; p < 9 && c.types.empty(); ++p) b.page(test::randomCodes(c.codes, c.set.width, rng), c.set.width, c.mode);
    for (int t : c.types) b.page(test::randomCodes(t ? 2046 : 1360, t ? 2 : 3, rng), t ? 2 : 3, static_cast<std::uint8_t>(t));
    if (c.sample.empty()) test::writeFile(zrc, b.bytes());
    const Bytes reference = c.types.empty() ? adpcmDec1(zrc, path("reference.wav"), c.pcmBit) : playbackAsWav(zrc, c.pcmBit);
    ASSERT_GT(reference.size(), 44u);

    // The player's Save As: the pages of each set announced, the opening call, then every page.
    const RecordingInfo info = test::loadedPageCodec().play_splpget(zrc.c_str());
    std::vector<Bytes> codes(info.pageCount, Bytes(2048));
    std::vector<test::PageCodes> pages;
    std::int32_t counted[2] = {};
    for (std::uint32_t p = 0; p < info.pageCount; ++p) ++counted[pages.emplace_back(test::pageCodes(zrc, info, p, codes[p].data())).set1];
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

INSTANTIATE_TEST_SUITE_P(
    Recordings, Converts,
    ::testing::Values(Row{"Greet11k_16bit", "greet-11k16.zrc"}, Row{"Greet11k_8bit", "greet-11k16.zrc", 0, {}, 0, 1},
                      Row{"Greet8k_16bit", "greet-8k16.zrc"}, Row{"Greet8k_8bit", "greet-8k16.zrc", 0, {}, 0, 1},
                      Row{"Mode0Rate11Width4_16bit", "", 0, {11, 4, 512, 0}, 1024, 2},
                      Row{"Mode0Rate8Width4_8bit", "", 0, {8, 4, 512, 0}, 1024, 1},
                      Row{"Mode1Rate7Width2_8bit", "", 1, {7, 2, 511, 4}, 2046, 1},
                      Row{"Mode1Rate8Width2_16bit", "", 1, {8, 2, 512, 0}, 2048, 2},
                      Row{"BothTypes_16bit", "", 0, {}, 0, 2, kMixed}, Row{"BothTypes_8bit", "", 0, {}, 0, 1, kMixed}),
    [](const auto& p) { return p.param.name; });

TEST_F(OrvelConversion, RefusesWhatItCannotWrite) {
    const std::string wav = path("out.wav");
    // Not creatable (a missing folder, a folder, no name); a sample size,
    // rate or width it cannot write; more samples than a WAV file can
    // describe (2,000,000 pages of 1,360 16-bit samples are 5.4 GB).
    EXPECT_EQ(header(path("no-such-folder/out.wav"), 2, 11, 3, 4), -1);
    EXPECT_EQ(header(m_dir.path().string(), 2, 11, 3, 4), -1);
    EXPECT_EQ(AdpcmDecHeader(nullptr, 2, 11, 7, 3, 2, 4, 0, nullptr), -1);
    for (const auto& [pcmBit, rate, bits, pages0, pages1] : std::vector<std::array<int, 5>>{
             {0, 11, 3, 4, 0}, {3, 11, 3, 4, 0}, {2, 9, 3, 4, 0}, {2, 11, 5, 4, 1}, {2, 11, 3, 2000000, 0}, {2, 11, 3, -4, 0}}) {
        EXPECT_EQ(header(wav, pcmBit, rate, bits, pages0, pages1), -1) << pcmBit << " " << rate << " " << pages0;
    }
    // Without a conversion nothing is appended, and nothing is created.
    EXPECT_EQ(page(wav), -1);
    EXPECT_FALSE(fs::exists(wav));

    // A conversion takes codes, and only its own file name and sample size.
    ASSERT_EQ(header(wav, 2, 11, 3, 1), 44 + 2720);
    EXPECT_EQ(std::tuple(AdpcmDecx(wav.c_str(), nullptr, 11, 3, 1360, 2, 0), AdpcmDecx(nullptr, m_codes.data(), 11, 3, 1360, 2, 0),
                         page(path("other.wav")), page(wav, 1)), std::tuple(-1, -1, -1, -1));
    EXPECT_EQ(page(wav), 0);
    // A refused header call ends the conversion before it.
    EXPECT_EQ(header(wav, 3, 11, 3, 1), -1);
    EXPECT_EQ(page(wav), -1);
    EXPECT_EQ(fs::file_size(wav), 44u + 2720);

    // 1,000,000 pages of 1,360 16-bit samples (2.72 GB) fit a WAV file but
    // not a 32-bit result.
    EXPECT_EQ(header(wav, 2, 11, 3, 1000000), std::numeric_limits<std::int32_t>::max());
    ASSERT_EQ(fs::file_size(wav), 44u);
    EXPECT_EQ(test::le32At(read("out.wav"), 40), 2720000000u);
}

// A file deleted, cut below its header, or replaced while converting is no
// longer the conversion's; a failed write ends it. Each ends in its own code
// and later pages are refused.
TEST_F(OrvelConversion, EndsWhenTheFileGoesOrAWriteFails) {
    const std::string wav = path("out.wav");
    {
        test::FileSizeLimit limit(30);  // not even the header fits
        EXPECT_EQ(header(wav, 2, 11, 3, 2), -1);
    }
    EXPECT_FALSE(fs::exists(wav));
    for (const auto& [why, act, code] : std::vector<std::tuple<const char*, std::function<void()>, std::int32_t>>{
             {"deleted", [&] { fs::remove(wav); }, -2},
             {"cut", [&] { test::writeFile(wav, Bytes(20, 0)); }, -2},
             {"disk full", [] {}, -3}}) {
        ASSERT_EQ(header(wav, 2, 11, 3, 2), 44 + 2 * 2720) << why;
        act();
        {
            test::FileSizeLimit limit(code == -3 ? 1001 : 1 << 20);
            EXPECT_EQ(page(wav), code) << why;
        }
        test::writeFile(wav, {'m', 'i', 'n', 'e'});  // someone else's file of that name
        EXPECT_EQ(page(wav), -1) << why;
        EXPECT_EQ(read("out.wav"), (Bytes{'m', 'i', 'n', 'e'})) << why;
    }
}

}  // namespace
}  // namespace zrc
