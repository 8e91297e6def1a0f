// AdpcmDec1 through the shared library: header call results and WAV
// headers, page-range calls, samples against the ITU-derived vectors, and
// the refusals and limits that keep it from writing wrong files.
#include <gtest/gtest.h>

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

std::uint32_t le32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::vector<std::int16_t> samples16(const std::vector<std::uint8_t>& wav) {
    std::vector<std::int16_t> s((wav.size() - 44) / 2);
    for (std::size_t k = 0; k < s.size(); ++k) {
        s[k] = static_cast<std::int16_t>(wav[44 + 2 * k] | (wav[45 + 2 * k] << 8));
    }
    return s;
}

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

TEST_F(WholeFileTest, Mode0Rate11SixteenBit) {
    const auto v = test::loadDecoderVector(3, "nrm-a");
    const auto rec = recordingFromVector(v, 0, {11, 3, 510, 0}, 1360, 10);
    ASSERT_EQ(convert(zrc(rec), wav(), 2, {{0, 4}, {5, 9}}), 10);

    const std::vector<std::uint8_t> wavHeader{
        'R', 'I', 'F', 'F', 0x64, 0x6A, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
        0x11, 0x2B, 0, 0, 0x22, 0x56, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0x40, 0x6A, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(m_headers.begin(), m_headers.begin() + 92),
              std::vector<std::uint8_t>(rec.begin(), rec.begin() + 92));
    EXPECT_EQ(std::vector<std::uint8_t>(m_headers.begin() + 92, m_headers.begin() + 136), wavHeader);
    EXPECT_EQ(m_headers[136], 0xEE) << "the buffer holds 136 bytes";

    const auto out = test::readFile(wav());
    ASSERT_EQ(out.size(), 27244u);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 44), wavHeader);
    const auto s = samples16(out);
    for (std::size_t k = 0; k < s.size(); ++k) ASSERT_EQ(s[k], test::doubledClipped(v.steps[k])) << k;
}

TEST_F(WholeFileTest, Mode0Rate11EightBit) {
    const auto v = test::loadDecoderVector(3, "nrm-m");
    ASSERT_EQ(convert(zrc(recordingFromVector(v, 0, {11, 3, 510, 0}, 1360, 10)), wav(), 1, {{0, 9}}), 10);
    EXPECT_EQ(le32At(m_headers, 92 + 40), 13600u);
    EXPECT_EQ(le32At(m_headers, 92 + 24), 11025u);
    EXPECT_EQ(le32At(m_headers, 92 + 28), 11025u);
    EXPECT_EQ(m_headers[92 + 32], 1);
    EXPECT_EQ(m_headers[92 + 34], 8);
    const auto out = test::readFile(wav());
    ASSERT_EQ(out.size(), 44u + 13600u);
    for (std::size_t k = 0; k < 13600; ++k) {
        const int s = test::doubledClipped(v.steps[k]);
        const int expected = 128 + (s < 0 ? -((-s) >> 8) : s >> 8);
        ASSERT_EQ(out[44 + k], expected) << k;
    }
}

TEST_F(WholeFileTest, Mode1Rate7WritesEverySeventhCodeTwiceAt8000Hz) {
    const auto v = test::loadDecoderVector(2, "nrm-a");
    ASSERT_EQ(convert(zrc(recordingFromVector(v, 1, {7, 2, 511, 4}, 2046, 3)), wav(), 2, {{0, 2}}), 3);
    EXPECT_EQ(le32At(m_headers, 92 + 24), 8000u);
    EXPECT_EQ(le32At(m_headers, 92 + 28), 16000u);
    EXPECT_EQ(le32At(m_headers, 92 + 40), 3u * 2338u * 2u);
    const auto s = samples16(test::readFile(wav()));
    ASSERT_EQ(s.size(), 3u * 2338u);
    // Page 1 starts at output 2,338 with code 2,046: doubled, being index 0
    // of its page; code 2,046 + 7 follows at 2,338 + 9.
    const auto x = [&](std::size_t code) { return test::doubledClipped(v.steps[code]); };
    EXPECT_EQ(s[0], x(0));
    EXPECT_EQ(s[1], x(0));
    EXPECT_EQ(s[2], x(1));
    EXPECT_EQ(s[8], x(7));
    EXPECT_EQ(s[9], x(7));
    EXPECT_EQ(s[2336], x(2044));
    EXPECT_EQ(s[2337], x(2045));
    EXPECT_EQ(s[2338], x(2046));
    EXPECT_EQ(s[2339], x(2046));
    EXPECT_EQ(s[2338 + 9], x(2046 + 7));
}

TEST_F(WholeFileTest, Rate8Width2TakesFourCodesFromByte511) {
    const auto v = test::loadDecoderVector(2, "nrm-m");
    ASSERT_EQ(convert(zrc(recordingFromVector(v, 1, {8, 2, 511, 4}, 2048, 4)), wav(), 2, {{0, 3}}), 4);
    EXPECT_EQ(le32At(m_headers, 92 + 24), 8000u);
    const auto s = samples16(test::readFile(wav()));
    ASSERT_EQ(s.size(), 4u * 2048u);
    for (std::size_t k = 0; k < s.size(); ++k) ASSERT_EQ(s[k], test::doubledClipped(v.steps[k])) << k;
}

TEST_F(WholeFileTest, Width4LowNibbleFirstAndLayoutSamplesPerPage) {
    // Mode 0 with rate 8 at width 4: 1,024 codes a page, low nibble first.
    const auto v = test::loadDecoderVector(4, "nrm-a");
    ASSERT_EQ(convert(zrc(recordingFromVector(v, 0, {8, 4, 512, 0}, 1024, 5)), wav(), 2, {{0, 4}}), 5);
    const auto s = samples16(test::readFile(wav()));
    ASSERT_EQ(s.size(), 5u * 1024u);
    for (std::size_t k = 0; k < s.size(); ++k) ASSERT_EQ(s[k], test::doubledClipped(v.steps[k])) << k;

    // At width 3 the same rate code gives 1,360 samples a page, and the
    // header says so.
    const auto v3 = test::loadDecoderVector(3, "i");
    ASSERT_EQ(convert(zrc(recordingFromVector(v3, 0, {8, 3, 510, 0}, 1360, 2), "w3.zrc"), wav("w3.wav"), 2, {{0, 1}}),
              2);
    EXPECT_EQ(le32At(m_headers, 92 + 40), 2u * 1360u * 2u);
    EXPECT_EQ(test::readFile(wav("w3.wav")).size(), 44u + 2u * 1360u * 2u);
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
    EXPECT_EQ(le32At(out, 40), 3u * 1360u * 2u) << "the header call announces every page";
    for (int page = 0; page < 3; ++page) {
        ASSERT_EQ(AdpcmDec1(nullptr, nullptr, 2, page, page, nullptr, 1), 1360);
        out = test::readFile(wav());
        EXPECT_EQ(out.size(), 44u + static_cast<std::size_t>(page + 1) * 2720u);
        EXPECT_EQ(le32At(out, 40), out.size() - 44);
        EXPECT_EQ(le32At(out, 4), out.size() - 8);
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
    EXPECT_EQ(le32At(m_headers, 92 + 40), 4u * 2720u);
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
