// zrc decode: single-type recordings give AdpcmDec1's bytes, mixed ones the
// playback blocks' samples; bad inputs fail cleanly and leave no file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "commands.h"
#include "pagecodec.h"
#include "test_files.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using test::ParameterSet;
using test::ZrcBuilder;

struct RunResult {
    int status;
    std::string err;
};

class DecodeCommandTest : public ::testing::Test {
protected:
    fs::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name);
    }
    RunResult run(DecodeOptions options) {
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        const int status = runDecode(options);
        ::testing::internal::GetCapturedStdout();
        return {status, ::testing::internal::GetCapturedStderr()};
    }
    // The file AdpcmDec1 writes in one header call and one page range.
    std::vector<std::uint8_t> adpcmDec1(const fs::path& zrc, int sampleSize) {
        const auto out = m_dir.file("reference.wav");
        const std::int32_t pages = AdpcmDec1(zrc.c_str(), out.c_str(), sampleSize, 0, 0, nullptr, 0);
        EXPECT_GE(pages, 0);
        if (pages > 0) {
            EXPECT_GT(AdpcmDec1(nullptr, nullptr, sampleSize, 0, pages - 1, nullptr, 1), 2);
        }
        auto bytes = test::readFile(out);
        fs::remove(out);
        return bytes;
    }
    test::TempDir m_dir;
    std::mt19937 m_rng{20240611};
};

struct SingleType {
    std::string name;
    std::uint8_t mode;
    ParameterSet set;
    std::size_t codes;
    int bits;
};

void PrintTo(const SingleType& c, std::ostream* os) { *os << c.name; }

class SingleTypeTest : public DecodeCommandTest, public ::testing::WithParamInterface<SingleType> {};

TEST_P(SingleTypeTest, GivesTheBytesOfAdpcmDec1) {
    const SingleType& c = GetParam();
    ZrcBuilder b;
    b.mode(c.mode);
    if (c.mode == 0) b.set0(c.set);
    else b.set1(c.set);
    for (int p = 0; p < 12; ++p) b.page(test::randomCodes(c.codes, c.set.width, m_rng), c.set.width, c.mode);
    const auto zrc = write("rec.zrc", b.bytes());

    const RunResult r = run({{zrc.string()}, std::nullopt, c.bits, 1, false});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const auto ours = test::readFile(m_dir.file("rec.wav"));
    const auto reference = adpcmDec1(zrc, c.bits / 8);
    ASSERT_GT(reference.size(), 44u);
    EXPECT_EQ(ours.size(), reference.size());
    EXPECT_TRUE(ours == reference) << "the WAV files differ";
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, SingleTypeTest,
    ::testing::Values(SingleType{"mode0_rate11_16bit", 0, {11, 3, 510, 0}, 1360, 16},
                      SingleType{"mode0_rate11_8bit", 0, {11, 3, 510, 0}, 1360, 8},
                      SingleType{"mode1_rate7_16bit", 1, {7, 2, 511, 4}, 2046, 16},
                      SingleType{"mode1_rate7_8bit", 1, {7, 2, 511, 4}, 2046, 8},
                      SingleType{"mode1_rate8_16bit", 1, {8, 2, 512, 0}, 2048, 16},
                      SingleType{"mode0_rate8_width4_8bit", 0, {8, 4, 512, 0}, 1024, 8}),
    [](const auto& p) { return p.param.name; });

TEST_F(DecodeCommandTest, MixedRecordingIsDecodedPageByPageAt11025Hz) {
    ZrcBuilder b;  // the recorder's sets: 11 kHz 3-bit and 7 kHz 2-bit
    std::vector<std::vector<std::uint8_t>> pages;
    const std::vector<int> types{0, 1, 1, 0, 1, 0, 0, 1};
    for (int t : types) {
        const int width = t == 0 ? 3 : 2;
        b.page(test::randomCodes(t == 0 ? 1360 : 2046, width, m_rng), width, static_cast<std::uint8_t>(t));
    }
    const auto bytes = b.bytes();
    const auto zrc = write("mixed.zrc", bytes);
    const RunResult r = run({{zrc.string()}, std::nullopt, 16, 1, false});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const auto wav = test::readFile(m_dir.file("mixed.wav"));

    // The oracle: the library's own playback calls, page by page from a reset.
    std::vector<std::uint8_t> expected;
    ASSERT_EQ(pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0);
    for (std::size_t p = 0; p < types.size(); ++p) {
        const std::uint8_t* page = bytes.data() + 92 + 528 * p;
        std::vector<std::uint8_t> codes(2048);
        const bool t1 = types[p] == 1;
        const int n = pb_exdata(t1 ? 2 : 3, t1 ? 511 : 510, t1 ? 4 : 0, page, codes.data());
        void* slot = nullptr;
        const std::int32_t samples = pb_adpcm_dec(t1 ? 7 : 11, t1 ? 2 : 3, n, codes.data(), &slot, 0);
        const auto* block = static_cast<const std::uint8_t*>(slot);
        expected.insert(expected.end(), block, block + 2 * samples);
        std::free(slot);
    }
    ASSERT_EQ(expected.size(), (4u * 1360u + 4u * 3215u) * 2u);
    ASSERT_EQ(wav.size(), 44 + expected.size());
    EXPECT_EQ(test::le32At(wav, 24), 11025u);
    EXPECT_EQ(test::le32At(wav, 40), expected.size());
    EXPECT_EQ(test::le32At(wav, 4), expected.size() + 36);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), wav.begin() + 44)) << "samples differ";
}

TEST_F(DecodeCommandTest, SingleTypeWithAHeaderModeThatDisagreesUsesThePagesSet) {
    // All pages say type 1 but the header mode says 0: each page is still
    // decoded with set 1, as the pages themselves ask.
    ZrcBuilder b;
    b.mode(0);
    for (int p = 0; p < 3; ++p) b.page(test::randomCodes(2046, 2, m_rng), 2, 1);
    auto bytes = b.bytes();
    const auto zrc = write("rec.zrc", bytes);
    ASSERT_EQ(run({{zrc.string()}, std::nullopt, 16, 1, false}).status, kExitOk);
    bytes[60] = 1;
    const auto relabelled = write("relabelled.zrc", bytes);
    EXPECT_EQ(test::readFile(m_dir.file("rec.wav")), adpcmDec1(relabelled, 2));
}

TEST_F(DecodeCommandTest, BadInputsFailWithAMessageAndLeaveNoFile) {
    const auto good = ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0)
                          .page(std::vector<std::uint8_t>(1360, 2), 3, 0)
                          .bytes();
    write("notes.txt", std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'});
    auto cut = good;
    cut.resize(cut.size() - 300);
    write("cut.zrc", cut);
    write("short.zrc", std::vector<std::uint8_t>(good.begin(), good.begin() + 60));
    const auto before = test::fileNames(m_dir.path());

    struct Case {
        std::string input;
        std::string reason;
    };
    for (const Case& c : {Case{"absent.zrc", "cannot open"}, Case{"notes.txt", "not a ZRC recording"},
                          Case{"cut.zrc", "truncated"}, Case{"short.zrc", "not a ZRC recording"}}) {
        const RunResult r = run({{m_dir.file(c.input).string()}, std::nullopt, 16, 1, false});
        EXPECT_EQ(r.status, kExitFileFailed) << c.input;
        EXPECT_NE(r.err.find(c.input), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_EQ(test::fileNames(m_dir.path()), before) << c.input << " left a file";
    }

    // The others of a run go on.
    const auto rec = write("good.zrc", good);
    const RunResult r = run({{m_dir.file("absent.zrc").string(), rec.string()}, std::nullopt, 8, 2, false});
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_TRUE(fs::exists(m_dir.file("good.wav")));
}

TEST_F(DecodeCommandTest, OutputOptionAsFileOrFolder) {
    const auto page = std::vector<std::uint8_t>(1360, 1);
    const auto a = write("a.zrc", ZrcBuilder().page(page, 3, 0).bytes());
    const auto b = write("b.zrc", ZrcBuilder().page(page, 3, 0).page(page, 3, 0).bytes());
    fs::create_directory(m_dir.file("out"));

    RunResult r = run({{a.string(), b.string()}, m_dir.file("out").string(), 16, 2, false});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(test::readFile(m_dir.file("out/a.wav")).size(), 44u + 2720u);
    EXPECT_EQ(test::readFile(m_dir.file("out/b.wav")).size(), 44u + 2u * 2720u);

    r = run({{a.string()}, m_dir.file("named.wav").string(), 16, 1, false});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(fs::exists(m_dir.file("named.wav")));

    // Several inputs need a folder; nothing is written then.
    r = run({{a.string(), b.string()}, m_dir.file("one.wav").string(), 16, 1, false});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_FALSE(fs::exists(m_dir.file("one.wav")));
    EXPECT_FALSE(fs::exists(m_dir.file("a.wav")));

    // Two inputs of one name into one folder: the second is refused.
    fs::create_directory(m_dir.file("other"));
    const auto a2 = m_dir.file("other/a.zrc");
    test::writeFile(a2, ZrcBuilder().page(page, 3, 0).bytes());
    fs::create_directory(m_dir.file("out2"));
    r = run({{a.string(), a2.string()}, m_dir.file("out2").string(), 16, 2, false});
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("already writes"), std::string::npos) << r.err;
}

TEST_F(DecodeCommandTest, ParallelRunGivesTheSameFilesAsASerialOne) {
    std::vector<std::string> inputs;
    for (int f = 0; f < 6; ++f) {
        ZrcBuilder b;
        for (int p = 0; p < 5; ++p) {
            const int t = (f + p) % 3 == 0 ? 1 : 0;
            b.page(test::randomCodes(t ? 2046 : 1360, t ? 2 : 3, m_rng), t ? 2 : 3, static_cast<std::uint8_t>(t));
        }
        inputs.push_back(write("r" + std::to_string(f) + ".zrc", b.bytes()).string());
    }
    fs::create_directory(m_dir.file("serial"));
    fs::create_directory(m_dir.file("parallel"));
    ASSERT_EQ(run({inputs, m_dir.file("serial").string(), 16, 1, false}).status, kExitOk);
    ASSERT_EQ(run({inputs, m_dir.file("parallel").string(), 16, 4, false}).status, kExitOk);
    for (int f = 0; f < 6; ++f) {
        const std::string name = "r" + std::to_string(f) + ".wav";
        EXPECT_EQ(test::readFile(m_dir.file("serial/" + name)), test::readFile(m_dir.file("parallel/" + name))) << name;
    }
}

}  // namespace
}  // namespace zrc::cli
