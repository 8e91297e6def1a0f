// AdpcmDec1 through the shared library: header call results and WAV
// headers, page-range calls, samples against the ITU-derived vectors, and
// the refusals and limits that keep it from writing wrong files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "g726_vectors.h"
#include "pagecodec.h"
#include "test_files.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

using test::ParameterSet;
using test::ZrcBuilder;

// A recording whose pages hold consecutive codes of a vector.
std::vector<std::uint8_t> recordingFromVector(const test::DecoderVector& v, std::uint8_t mode, ParameterSet set,
                                              std::size_t codesPerPage, int pages) {
    ZrcBuilder b;
    b.mode(mode);
    if (mode == 0) b.set0(set);
    else b.set1(set);
    for (int p = 0; p < pages; ++p) {
        const auto first = v.codes.begin() + static_cast<std::ptrdiff_t>(codesPerPage) * p;
        b.page({first, first + static_cast<std::ptrdiff_t>(codesPerPage)}, set.width, mode);
    }
    return b.bytes();
}

class WholeFileTest : public ::testing::Test {
protected:
    std::string zrc(const std::vector<std::uint8_t>& bytes, const std::string& name = "rec.zrc") {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name).string();
    }
    std::string wav(const std::string& name = "out.wav") { return m_dir.file(name).string(); }

    // A header call, then the given page ranges.
    std::int32_t convert(const std::string& zrcName, const std::string& wavName, int size,
                         const std::vector<std::pair<int, int>>& ranges) {
        const std::int32_t pages = AdpcmDec1(zrcName.c_str(), wavName.c_str(), size, 0, 0, m_headers.data(), 0);
        for (auto [first, last] : ranges) {
            EXPECT_GT(AdpcmDec1(nullptr, nullptr, size, first, last, nullptr, 1), 2) << first << "-" << last;
        }
        return pages;
    }

    test::TempDir m_dir;
    std::vector<std::uint8_t> m_headers = std::vector<std::uint8_t>(140, 0xEE);
};

struct VectorFile {
    std::string name;
    int width;
    std::string sequence;
    std::uint8_t mode;
    ParameterSet set;
    std::size_t codesPerPage;
    int pages;
    int sampleSize;
    std::uint32_t sampleRate;
    std::vector<std::pair<int, int>> ranges;
};
void PrintTo(const VectorFile& f, std::ostream* os) { *os << f.name; }

class WholeFileVectorTest : public WholeFileTest, public ::testing::WithParamInterface<VectorFile> {};

// One sample per code, in order across pages (rate 8 at width 2 takes four
// codes from byte 511, width 4 the low nibble first), 8-bit samples the
// 16-bit ones truncated toward zero; at rate 7 the codes 0, 7, ..., 2,037
// of a page are written twice, for 8,000 Hz.
TEST_P(WholeFileVectorTest, EverySampleIsTheDoubledStep) {
    const VectorFile& f = GetParam();
    const auto v = test::loadDecoderVector(f.width, f.sequence);
    const auto rec = zrc(recordingFromVector(v, f.mode, f.set, f.codesPerPage, f.pages));
    ASSERT_EQ(convert(rec, wav(), f.sampleSize, f.ranges), f.pages);

    std::vector<int> expected;
    for (std::size_t p = 0; p < static_cast<std::size_t>(f.pages); ++p) {
        for (std::size_t k = 0; k < f.codesPerPage; ++k) {
            const int x = test::doubledClipped(v.steps[p * f.codesPerPage + k]);
            const int sample = f.sampleSize == 2 ? x : 128 + (x < 0 ? -((-x) >> 8) : x >> 8);
            expected.push_back(sample);
            if (f.set.rate == 7 && k % 7 == 0 && k <= 2037) expected.push_back(sample);
        }
    }
    const auto size = static_cast<std::uint32_t>(f.sampleSize);
    const std::vector<std::uint8_t> header(m_headers.begin() + 92, m_headers.begin() + 136);
    EXPECT_EQ(test::le32At(header, 24), f.sampleRate);
    EXPECT_EQ(test::le32At(header, 28), f.sampleRate * size);
    EXPECT_EQ(std::uint32_t{header[32]}, size);
    EXPECT_EQ(std::uint32_t{header[34]}, 8 * size);
    EXPECT_EQ(test::le32At(header, 40), expected.size() * size);

    const auto out = test::readFile(wav());
    ASSERT_EQ(out.size(), 44 + expected.size() * size);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), out.begin()));
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const int got = size == 2 ? static_cast<std::int16_t>(out[44 + 2 * k] | (out[45 + 2 * k] << 8)) : out[44 + k];
        ASSERT_EQ(got, expected[k]) << "sample " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WholeFileVectorTest,
    ::testing::Values(
        VectorFile{"mode0_rate11_w3_16bit", 3, "nrm-a", 0, {11, 3, 510, 0}, 1360, 10, 2, 11025, {{0, 4}, {5, 9}}},
        VectorFile{"mode0_rate11_w3_8bit", 3, "nrm-m", 0, {11, 3, 510, 0}, 1360, 10, 1, 11025, {{0, 9}}},
        VectorFile{"mode1_rate7_w2_16bit", 2, "nrm-a", 1, {7, 2, 511, 4}, 2046, 3, 2, 8000, {{0, 2}}},
        VectorFile{"mode1_rate8_w2_16bit", 2, "nrm-m", 1, {8, 2, 511, 4}, 2048, 4, 2, 8000, {{0, 3}}},
        VectorFile{"mode0_rate8_w4_16bit", 4, "nrm-a", 0, {8, 4, 512, 0}, 1024, 5, 2, 8000, {{0, 4}}},
        VectorFile{"mode0_rate8_w3_16bit", 3, "i", 0, {8, 3, 510, 0}, 1360, 2, 2, 8000, {{0, 1}}}),
    [](const auto& p) { return p.param.name; });

TEST_F(WholeFileTest, HeaderCallFillsTheCallersBufferWithBothHeaders) {
    ZrcBuilder b;
    for (int p = 0; p < 10; ++p) b.page(std::vector<std::uint8_t>(1360, 3), 3, 0);
    const auto rec = b.bytes();
    ASSERT_EQ(convert(zrc(rec), wav(), 2, {}), 10);
    const std::vector<std::uint8_t> wavHeader{
        'R', 'I', 'F', 'F', 0x64, 0x6A, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
        0x11, 0x2B, 0, 0, 0x22, 0x56, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0x40, 0x6A, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(m_headers.begin(), m_headers.begin() + 92),
              std::vector<std::uint8_t>(rec.begin(), rec.begin() + 92));
    EXPECT_EQ(std::vector<std::uint8_t>(m_headers.begin() + 92, m_headers.begin() + 136), wavHeader);
    EXPECT_EQ(m_headers[136], 0xEE) << "the buffer holds 136 bytes";
}

struct Split {
    std::string name;
    std::vector<std::pair<int, int>> ranges;
};

void PrintTo(const Split& s, std::ostream* os) { *os << s.name; }

class WholeFileSplitTest : public WholeFileTest, public ::testing::WithParamInterface<Split> {};

TEST_P(WholeFileSplitTest, SplitRangesGiveTheFileOfOneRange) {
    const auto v = test::loadDecoderVector(2, "i");
    const auto rec = zrc(recordingFromVector(v, 1, {7, 2, 511, 4}, 2046, 8));
    ASSERT_EQ(convert(rec, wav("one.wav"), 2, {{0, 7}}), 8);
    ASSERT_EQ(convert(rec, wav("split.wav"), 2, GetParam().ranges), 8);
    EXPECT_EQ(test::readFile(wav("one.wav")), test::readFile(wav("split.wav")));
}

INSTANTIATE_TEST_SUITE_P(Ranges, WholeFileSplitTest,
                         ::testing::Values(Split{"halves", {{0, 3}, {4, 7}}},
                                           Split{"pageByPage", {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}},
                                           Split{"uneven", {{0, 0}, {1, 5}, {6, 7}}},
                                           Split{"pastTheEnd", {{0, 6}, {7, 1000}}}),
                         [](const auto& p) { return p.param.name; });

TEST_F(WholeFileTest, HeaderTellsTheSamplesInTheFileAfterEveryRange) {
    const auto many = zrc(ZrcBuilder().page(std::vector<std::uint8_t>(1360, 3), 3, 0)
                              .page(std::vector<std::uint8_t>(1360, 4), 3, 0)
                              .page(std::vector<std::uint8_t>(1360, 5), 3, 0)
                              .bytes(),
                          "three.zrc");
    ASSERT_EQ(AdpcmDec1(many.c_str(), wav().c_str(), 2, 0, 0, nullptr, 0), 3);
    auto out = test::readFile(wav());
    EXPECT_EQ(test::le32At(out, 40), 3u * 1360u * 2u) << "the header call announces every page";
    for (int page = 0; page < 3; ++page) {
        ASSERT_EQ(AdpcmDec1(nullptr, nullptr, 2, page, page, nullptr, 1), 1360);
        out = test::readFile(wav());
        EXPECT_EQ(out.size(), 44u + static_cast<std::size_t>(page + 1) * 2720u);
        EXPECT_EQ(test::le32At(out, 40), out.size() - 44);
        EXPECT_EQ(test::le32At(out, 4), out.size() - 8);
    }
}

TEST_F(WholeFileTest, PageCountIsHeldToThePagesTheFileHolds) {
    // The header claims about 4 GB of pages; the file holds 3 and 100 bytes.
    auto bytes = ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0)
                     .page(std::vector<std::uint8_t>(1360, 2), 3, 0)
                     .page(std::vector<std::uint8_t>(1360, 6), 3, 0)
                     .rawPage(std::vector<std::uint8_t>(100, 0x3C))
                     .bytes();
    auto padded = bytes;  // the same with the last page's missing bytes as 0xFF
    bytes.resize(92 + 3 * 528 + 100);
    bytes[88] = 0x00, bytes[89] = 0xFF, bytes[90] = 0xFF, bytes[91] = 0xFF;
    ASSERT_EQ(convert(zrc(bytes), wav(), 2, {{0, 1000000}}), 4);
    EXPECT_EQ(test::le32At(m_headers, 92 + 40), 4u * 2720u);
    ASSERT_EQ(convert(zrc(padded, "padded.zrc"), wav("padded.wav"), 2, {{0, 3}}), 4);
    EXPECT_EQ(test::readFile(wav()), test::readFile(wav("padded.wav")));

    // A data size that says fewer pages than the file holds is followed.
    auto shortSize = padded;
    shortSize[88] = static_cast<std::uint8_t>(528 * 2), shortSize[89] = static_cast<std::uint8_t>((528 * 2) >> 8);
    shortSize[90] = shortSize[91] = 0;
    ASSERT_EQ(convert(zrc(shortSize, "short.zrc"), wav("short.wav"), 2, {{0, 3}}), 2);
    EXPECT_EQ(test::readFile(wav("short.wav")).size(), 44u + 2u * 2720u);
}

TEST_F(WholeFileTest, HeaderCallRefusals) {
    const auto good = zrc(ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0).bytes());
    // 37: no recording; 2: no WAV file can be created there.
    EXPECT_EQ(AdpcmDec1(m_dir.file("absent.zrc").c_str(), wav().c_str(), 2, 0, 0, nullptr, 0), 37);
    EXPECT_EQ(AdpcmDec1(good.c_str(), m_dir.file("no/such/folder.wav").c_str(), 2, 0, 0, nullptr, 0), 2);
    EXPECT_EQ(AdpcmDec1(good.c_str(), m_dir.path().c_str(), 2, 0, 0, nullptr, 0), 2);
    EXPECT_FALSE(std::filesystem::exists(wav()));
    // Never over the recording itself, by any name.
    const auto before = test::readFile(good);
    std::filesystem::create_hard_link(good, m_dir.file("hard.wav"));
    for (const std::string& same : {good, m_dir.file("./rec.zrc").string(), m_dir.file("hard.wav").string()}) {
        EXPECT_EQ(AdpcmDec1(good.c_str(), same.c_str(), 2, 0, 0, nullptr, 0), 2) << same;
    }
    EXPECT_EQ(test::readFile(good), before);

    // 4: sample sizes other than 1 and 2; 3: modes and rate codes without a
    // WAV format. Neither creates anything.
    for (int size : {0, 3, 16, -1}) EXPECT_EQ(AdpcmDec1(good.c_str(), wav().c_str(), size, 0, 0, nullptr, 0), 4);
    struct Bad {
        std::uint8_t mode;
        ParameterSet set0, set1;
    };
    for (const Bad& b : {Bad{2, {11, 3, 510, 0}, {7, 2, 511, 4}}, Bad{0, {7, 2, 511, 4}, {7, 2, 511, 4}},
                         Bad{1, {11, 3, 510, 0}, {11, 3, 510, 0}}}) {
        const auto rec = zrc(ZrcBuilder().mode(b.mode).set0(b.set0).set1(b.set1).bytes(), "bad.zrc");
        EXPECT_EQ(AdpcmDec1(rec.c_str(), wav().c_str(), 2, 0, 0, nullptr, 0), 3) << int{b.mode};
    }
    auto badWidth = ZrcBuilder().bytes();
    badWidth[62] = 9;
    EXPECT_EQ(AdpcmDec1(zrc(badWidth, "w.zrc").c_str(), wav().c_str(), 2, 0, 0, nullptr, 0), 3);
    EXPECT_FALSE(std::filesystem::exists(wav()));
}

TEST_F(WholeFileTest, PageRangeCallRefusals) {
    const auto rec = zrc(ZrcBuilder().page(std::vector<std::uint8_t>(1360, 1), 3, 0).bytes());
    // Without a successful header call (a failed one drops the last).
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav().c_str(), 2, 0, 0, nullptr, 0), 1);
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav().c_str(), 7, 0, 0, nullptr, 0), 4);
    EXPECT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 0, nullptr, 1), 1);

    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav().c_str(), 2, 0, 0, nullptr, 0), 1);
    std::filesystem::remove(wav());
    EXPECT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 0, nullptr, 1), 2);
    EXPECT_FALSE(std::filesystem::exists(wav())) << "a page call never creates the WAV file";

    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav().c_str(), 2, 0, 0, nullptr, 0), 1);
    const auto before = test::readFile(wav());
    std::filesystem::remove(rec);
    EXPECT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 0, nullptr, 1), 1);
    EXPECT_EQ(test::readFile(wav()), before) << "the WAV file stays as it was";
}

TEST_F(WholeFileTest, KeepsWholeLongFileNames) {
    std::filesystem::path folder = m_dir.path();
    for (char c : {'a', 'b', 'c'}) folder /= std::string(80, c);
    std::filesystem::create_directories(folder);
    const auto longZrc = (folder / "recording.zrc").string();
    const auto longWav = (folder / "recording.wav").string();
    ASSERT_GT(longWav.size(), 250u);
    test::writeFile(longZrc, ZrcBuilder().page(std::vector<std::uint8_t>(1360, 2), 3, 0).bytes());
    ASSERT_EQ(convert(longZrc, longWav, 2, {{0, 0}}), 1);
    EXPECT_EQ(test::readFile(longWav).size(), 44u + 2720u);
}

}  // namespace
}  // namespace zrc
