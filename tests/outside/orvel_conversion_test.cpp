// Orvel's conversion as the player drives it: files of one page type equal
// AdpcmDec1's, files of both types hold the playback blocks; the header is
// true after every page; a file deleted between calls is not made again;
// the decoder restarts with the opening call and is its own, apart from
// playback's; what it cannot write it refuses, leaving no file that claims
// more than it holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
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
    // The file AdpcmDec1 writes in a header call and one page range.
    Bytes adpcmDec1(const std::string& zrc, int pcmBit) {
        const auto& pc = test::loadedPageCodec();
        const std::int32_t pages = pc.AdpcmDec1(zrc.c_str(), path("reference.wav").c_str(), pcmBit, 0, 0, nullptr, 0);
        EXPECT_GT(pages, 4) << "an error code";
        EXPECT_GT(pc.AdpcmDec1(nullptr, nullptr, pcmBit, 0, pages - 1, nullptr, 1), 2);
        return read("reference.wav");
    }
    test::TempDir m_dir;
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

TEST_P(Converts, TheReferenceAndIsTrueAfterEveryPage) {
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
    const Bytes reference = c.types.empty() ? adpcmDec1(zrc, c.pcmBit) : playbackAsWav(zrc, c.pcmBit);
    ASSERT_GT(reference.size(), 44u);

    const auto conv = test::orvelConversion(zrc, path("out.wav"), c.pcmBit, [&](std::uint32_t p) {
        EXPECT_TRUE(test::wavHeaderTrue(read("out.wav"), test::le32At(reference, 24), 8 * c.pcmBit)) << "after page " << p;
        return true;
    });
    EXPECT_TRUE(read("out.wav") == reference) << "the WAV files differ";
    EXPECT_EQ(conv.predicted, static_cast<std::int32_t>(reference.size()));
    EXPECT_TRUE(std::all_of(conv.results.begin(), conv.results.end(), [](std::int32_t r) { return r == 0; }));
    // The player's buffer got the header as first written, then zeros.
    EXPECT_TRUE(std::equal(reference.begin(), reference.begin() + 44, conv.scratch.begin()));
    EXPECT_TRUE(std::all_of(conv.scratch.begin() + 44, conv.scratch.end(), [](std::uint8_t v) { return v == 0; }));
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

TEST_F(OrvelConversion, AFileDeletedBetweenCallsIsNotMadeAgain) {
    const std::string zrc = (fs::path(ZRC_SAMPLES_DIR) / "greet-11k16.zrc").string();
    const auto conv = test::orvelConversion(zrc, path("out.wav"), 2, [&](std::uint32_t p) {
        if (p == 3) fs::remove(path("out.wav"));  // the player's Cancel
        if (p == 5) test::writeFile(path("out.wav"), {'m', 'i', 'n', 'e'});  // someone else's file of that name
        return p < 8;
    });
    EXPECT_EQ(conv.results, (std::vector<std::int32_t>{0, 0, 0, 0, -2, -1, -1, -1, -1}));
    EXPECT_EQ(read("out.wav"), (Bytes{'m', 'i', 'n', 'e'}));
}

// One page converted three times, the opening call before the first and the
// third, and a page of playback after each call: Orvel's playback stays
// PageCodec's.
TEST_F(OrvelConversion, TheOpeningCallRestartsTheDecoderAndPlaybackHasItsOwn) {
    std::mt19937 rng(7);
    const Bytes codes = test::randomCodes(1360, 3, rng);
    const auto theirs = test::loadedPageCodec().pb_adpcm_dec;
    ASSERT_EQ(pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1) + theirs(11, 3, 0, nullptr, nullptr, 1), 0);
    const std::string wav = path("out.wav");
    ASSERT_EQ(AdpcmDecHeader(wav.c_str(), 2, 11, 7, 3, 2, 3, 0, nullptr), 44 + 3 * 2720);
    for (std::int32_t mode : {1, 0, 0, 1, 0}) {
        ASSERT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, mode), 0);
        const Bytes page = test::randomCodes(1360, 3, rng);
        void *ours = nullptr, *ref = nullptr;
        ASSERT_EQ(pb_adpcm_dec(11, 3, 1360, page.data(), &ours, 0), theirs(11, 3, 1360, page.data(), &ref, 0));
        EXPECT_EQ(std::memcmp(ours, ref, 2720), 0) << "playback after a call of mode " << mode;
        std::free(ours);
        std::free(ref);
    }
    const Bytes file = read("out.wav");
    ASSERT_EQ(file.size(), 44u + 3 * 2720);
    const Bytes first(file.begin() + 44, file.begin() + 2764), second(file.begin() + 2764, file.begin() + 5484),
        third(file.begin() + 5484, file.end());
    EXPECT_NE(first, second) << "the second page did not continue the decoder";
    EXPECT_EQ(first, third) << "the opening call did not reset the decoder";
}

TEST_F(OrvelConversion, RefusesWhatItCannotWrite) {
    const std::string wav = path("out.wav");
    auto header = [&](const std::string& name, int pcmBit, int rate0, int bits0, int pages0, int pages1 = 0) {
        Bytes scratch(201, 0);
        const std::int32_t r = AdpcmDecHeader(name.c_str(), pcmBit, rate0, 7, bits0, 2, pages0, pages1, scratch.data());
        EXPECT_TRUE(r != -1 || scratch == Bytes(201, 0)) << "a refusal wrote to the buffer";
        return r;
    };
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
    EXPECT_FALSE(fs::exists(wav));
    // Without a conversion nothing is appended, and nothing is created.
    const Bytes codes(1360, 1);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_FALSE(fs::exists(wav));

    // A conversion takes only its own file name and sample size, and codes.
    ASSERT_EQ(header(wav, 2, 11, 3, 1), 44 + 2720);
    test::writeFile(path("other.wav"), Bytes(44, 0));
    EXPECT_EQ(AdpcmDecx(path("other.wav").c_str(), codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 1, 0), -1);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), nullptr, 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(AdpcmDecx(nullptr, codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(fs::file_size(path("other.wav")), 44u);
    EXPECT_EQ(fs::file_size(wav), 44u);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), 0);
    EXPECT_TRUE(test::wavHeaderTrue(read("out.wav"), 11025, 16));
    // A refused header call ends the conversion before it.
    EXPECT_EQ(header(wav, 3, 11, 3, 1), -1);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(fs::file_size(wav), 44u + 2720);

    // A file cut below its header is no longer the conversion's.
    ASSERT_EQ(header(wav, 2, 11, 3, 1), 44 + 2720);
    test::writeFile(wav, Bytes(20, 0));
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -2);
    EXPECT_EQ(fs::file_size(wav), 20u);

    // 1,000,000 pages of 1,360 16-bit samples (2.72 GB) fit a WAV file but
    // not a 32-bit result.
    EXPECT_EQ(header(wav, 2, 11, 3, 1000000), std::numeric_limits<std::int32_t>::max());
    ASSERT_EQ(fs::file_size(wav), 44u);
    EXPECT_EQ(test::le32At(read("out.wav"), 40), 2720000000u);
}

TEST_F(OrvelConversion, AFullDiskLeavesNoFileThatClaimsMoreThanItHolds) {
    const std::string wav = path("out.wav");
    const Bytes codes(1360, 3);
    {
        test::FileSizeLimit limit(30);  // not even the header fits
        EXPECT_EQ(AdpcmDecHeader(wav.c_str(), 2, 11, 7, 3, 2, 2, 0, nullptr), -1);
    }
    EXPECT_FALSE(fs::exists(wav));
    ASSERT_EQ(AdpcmDecHeader(wav.c_str(), 2, 11, 7, 3, 2, 2, 0, nullptr), 44 + 2 * 2720);
    {
        // Part of the first page: the header tells the whole samples that
        // reached the file, not the two pages announced.
        test::FileSizeLimit limit(1001);
        EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -3);
    }
    const Bytes written = read("out.wav");
    EXPECT_LE(written.size(), 1001u);
    EXPECT_TRUE(test::wavHeaderTrue(written, 11025, 16));
    // The conversion is over: a later page would follow a gap.
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(read("out.wav"), written);
}

}  // namespace
}  // namespace zrc
