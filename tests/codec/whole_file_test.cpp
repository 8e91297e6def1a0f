// AdpcmDec1 through the shared library: samples against the ITU-derived
// vectors, the WAV header, page ranges against one call, and the refusals
// and limits that keep it from writing wrong files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "file_size_limit.h"
#include "g726_vectors.h"
#include "pagecodec.h"
#include "signals.h"
#include "test_files.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

namespace fs = std::filesystem;
using test::ParameterSet;
using test::ZrcBuilder;
using Bytes = std::vector<std::uint8_t>;
using Ranges = std::vector<std::pair<int, int>>;

// A recording whose pages hold consecutive codes of a vector, under flags
// of every kind: the header's mode alone picks the parameter set.
Bytes fromVector(const test::DecoderVector& v, std::uint8_t mode, ParameterSet set, std::size_t perPage, int pages) {
    ZrcBuilder b;
    (mode == 0 ? b.set0(set) : b.set1(set)).mode(mode);
    for (std::size_t p = 0; p < static_cast<std::size_t>(pages); ++p) {
        const auto first = v.codes.begin() + static_cast<std::ptrdiff_t>(perPage * p);
        b.page(Bytes(first, first + static_cast<std::ptrdiff_t>(perPage)), set.width, static_cast<std::uint8_t>(mode + 51 * p));
    }
    return b.bytes();
}

class WholeFileTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return m_dir.file(name).string(); }
    std::string zrc(const Bytes& bytes, const std::string& name = "rec.zrc") {
        test::writeFile(file(name), bytes);
        return file(name);
    }
    // A header call, then the page ranges; after each the WAV header tells
    // the samples in the file.
    std::int32_t convert(const std::string& rec, const std::string& wav, int size, const Ranges& ranges) {
        const std::int32_t pages = AdpcmDec1(rec.c_str(), wav.c_str(), size, 0, 0, m_headers.data(), 0);
        for (auto [first, last] : ranges) {
            EXPECT_GT(AdpcmDec1(nullptr, nullptr, size, first, last, nullptr, 1), 2) << first << "-" << last;
            const Bytes out = test::readFile(wav);
            EXPECT_EQ(test::le32At(out, 40), out.size() - 44);
            EXPECT_EQ(test::le32At(out, 4), out.size() - 8);
        }
        return pages;
    }
    test::TempDir m_dir;
    Bytes m_headers = Bytes(140, 0xEE);
};

struct VectorFile {
    std::string name, sequence;
    std::uint8_t mode;
    ParameterSet set;
    std::size_t perPage;
    int pages, sampleSize;
    std::uint32_t sampleRate;
    Ranges ranges;
};
void PrintTo(const VectorFile& f, std::ostream* os) { *os << f.name; }

class WholeFileVectorTest : public WholeFileTest, public ::testing::WithParamInterface<VectorFile> {};

// One doubled step result per code, in order across pages (rate 8 at width
// 2 takes four codes from byte 511, width 4 the low nibble first); 8-bit
// samples are the 16-bit ones over 256, truncated toward zero, plus 128; at
// rate 7 the codes 0, 7, ..., 2,037 of a page are written twice, for 8,000 Hz.
TEST_P(WholeFileVectorTest, EverySampleIsTheDoubledStep) {
    const VectorFile& f = GetParam();
    const auto v = test::loadDecoderVector(f.set.width, f.sequence);
    ASSERT_EQ(convert(zrc(fromVector(v, f.mode, f.set, f.perPage, f.pages)), file("out.wav"), f.sampleSize, f.ranges), f.pages);
    std::vector<int> expected;
    for (std::size_t k = 0; k < f.perPage * static_cast<std::size_t>(f.pages); ++k) {
        const int x = test::doubledClipped(v.steps[k]);
        expected.push_back(f.sampleSize == 2 ? x : 128 + x / 256);
        if (f.set.rate == 7 && k % f.perPage % 7 == 0 && k % f.perPage <= 2037) expected.push_back(expected.back());
    }
    const auto size = static_cast<std::uint32_t>(f.sampleSize);
    const Bytes header(m_headers.begin() + 92, m_headers.begin() + 136), out = test::readFile(file("out.wav"));
    EXPECT_EQ(std::vector<std::uint32_t>({test::le32At(header, 24), test::le32At(header, 28), header[32], header[34], test::le32At(header, 40)}),
              std::vector<std::uint32_t>({f.sampleRate, f.sampleRate * size, size, 8 * size, static_cast<std::uint32_t>(expected.size()) * size}));
    ASSERT_EQ(out.size(), 44 + expected.size() * size);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), out.begin()));
    for (std::size_t k = 0; k < expected.size(); ++k) {
        ASSERT_EQ(size == 2 ? static_cast<std::int16_t>(out[44 + 2 * k] | (out[45 + 2 * k] << 8)) : out[44 + k], expected[k]) << "sample " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WholeFileVectorTest,
    ::testing::Values(VectorFile{"mode0_rate11_w3_16bit", "nrm-a", 0, {11, 3, 510, 0}, 1360, 10, 2, 11025, {{0, 4}, {5, 9}}},
                      VectorFile{"mode0_rate11_w3_8bit", "nrm-m", 0, {11, 3, 510, 0}, 1360, 10, 1, 11025, {{0, 9}}},
                      VectorFile{"mode1_rate7_w2_16bit", "nrm-a", 1, {7, 2, 511, 4}, 2046, 3, 2, 8000, {{0, 2}}},
                      VectorFile{"mode1_rate8_w2_16bit", "nrm-m", 1, {8, 2, 511, 4}, 2048, 4, 2, 8000, {{0, 3}}},
                      VectorFile{"mode0_rate8_w4_16bit", "nrm-a", 0, {8, 4, 512, 0}, 1024, 5, 2, 8000, {{0, 4}}},
                      VectorFile{"mode0_rate8_w3_16bit", "i", 0, {8, 3, 510, 0}, 1360, 2, 2, 8000, {{0, 1}}}),
    [](const auto& p) { return p.param.name; });

TEST_F(WholeFileTest, HeaderCallFillsTheCallersBufferWithBothHeaders) {
    ZrcBuilder b;
    for (int p = 0; p < 10; ++p) b.page(Bytes(1360, 3), 3, 0);
    const auto rec = b.bytes();
    ASSERT_EQ(convert(zrc(rec), file("out.wav"), 2, {}), 10);
    const Bytes wavHeader{'R', 'I', 'F', 'F', 0x64, 0x6A, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
                          0x11, 0x2B, 0, 0, 0x22, 0x56, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 0x40, 0x6A, 0, 0};
    EXPECT_EQ(Bytes(m_headers.begin(), m_headers.begin() + 92), Bytes(rec.begin(), rec.begin() + 92));
    EXPECT_EQ(Bytes(m_headers.begin() + 92, m_headers.begin() + 136), wavHeader);
    EXPECT_EQ(m_headers[136], 0xEE) << "the buffer holds 136 bytes";
    EXPECT_EQ(test::readFile(file("out.wav")), wavHeader) << "the header call announces every page";
}

// Any split of the pages into ranges writes the file of one call.
TEST_F(WholeFileTest, PageRangesEqualOneCall) {
    const auto rec = zrc(fromVector(test::loadDecoderVector(2, "i"), 1, {7, 2, 511, 4}, 2046, 8));
    ASSERT_EQ(convert(rec, file("one.wav"), 2, {{0, 7}}), 8);
    for (const Ranges& split : {Ranges{{0, 3}, {4, 7}}, Ranges{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}},
                                Ranges{{0, 0}, {1, 5}, {6, 7}}, Ranges{{0, 6}, {7, 1000}}}) {
        ASSERT_EQ(convert(rec, file("split.wav"), 2, split), 8);
        EXPECT_EQ(test::readFile(file("one.wav")), test::readFile(file("split.wav"))) << split.size() << " ranges";
    }
}

// A header claiming about 4 GB of pages over 3 pages and 100 bytes: the
// missing bytes read as 0xFF. A data size of fewer pages than the file holds
// is followed.
TEST_F(WholeFileTest, PageCountIsHeldToThePagesTheFileHolds) {
    auto bytes = ZrcBuilder().page(Bytes(1360, 1), 3, 0).page(Bytes(1360, 2), 3, 0).page(Bytes(1360, 6), 3, 0).rawPage(Bytes(100, 0x3C)).bytes();
    auto padded = bytes, shortSize = bytes;
    bytes.resize(92 + 3 * 528 + 100);
    bytes[88] = 0x00, bytes[89] = bytes[90] = bytes[91] = 0xFF;
    ASSERT_EQ(convert(zrc(bytes), file("out.wav"), 2, {{0, 1000000}}), 4);
    ASSERT_EQ(convert(zrc(padded, "padded.zrc"), file("padded.wav"), 2, {{0, 3}}), 4);
    EXPECT_EQ(test::readFile(file("out.wav")), test::readFile(file("padded.wav")));
    shortSize[88] = 0x20, shortSize[89] = 0x04, shortSize[90] = shortSize[91] = 0;  // 2 pages
    ASSERT_EQ(convert(zrc(shortSize, "short.zrc"), file("short.wav"), 2, {{0, 3}}), 2);
    EXPECT_EQ(test::readFile(file("short.wav")).size(), 44u + 2u * 2720u);
    // Without only the top byte of its data size, a header holds no pages.
    EXPECT_EQ(convert(zrc(Bytes(bytes.begin(), bytes.begin() + 91), "cut.zrc"), file("cut.wav"), 2, {}), 0);
}

// 37: no recording (a folder is none); 2: no WAV file can be made there,
// nor over the recording by any name; 4: sample sizes other than 1 and 2;
// 3: modes, rate codes and widths without a WAV format, bytes a short file
// lacks reading as 0xFF (mode 255). Nothing is made, the headers buffer is
// left alone.
TEST_F(WholeFileTest, HeaderCallRefusalsCreateNothing) {
    const Bytes recording = ZrcBuilder().page(Bytes(1360, 1), 3, 0).bytes();
    const auto good = zrc(recording), out = file("out.wav"), folder = m_dir.path().string();
    fs::create_hard_link(good, file("hard.wav"));
    const auto bad = [&](std::uint8_t mode, ParameterSet set0, ParameterSet set1) { return zrc(ZrcBuilder().mode(mode).set0(set0).set1(set1).bytes(), "bad.zrc"); };
    const auto cut = [&](long n) { return zrc(Bytes(recording.begin(), recording.begin() + n), "cut.zrc"); };
    const std::vector<std::tuple<std::string, std::string, int, std::int32_t>> rows = {
        {file("absent.zrc"), out, 2, 37}, {folder, out, 2, 37}, {good, file("no/such/folder.wav"), 2, 2}, {good, folder, 2, 2},
        {good, good, 2, 2}, {good, file("./rec.zrc"), 2, 2}, {good, file("hard.wav"), 2, 2}, {good, out, 0, 4}, {good, out, 3, 4},
        {good, out, 16, 4}, {good, out, -1, 4}, {bad(2, {11, 3, 510, 0}, {7, 2, 511, 4}), out, 2, 3},
        {bad(0, {7, 2, 511, 4}, {7, 2, 511, 4}), out, 2, 3}, {bad(1, {11, 3, 510, 0}, {11, 3, 510, 0}), out, 2, 3},
        {bad(0, {11, 9, 510, 0}, {7, 2, 511, 4}), out, 2, 3}, {cut(0), out, 2, 3}, {cut(60), out, 2, 3}};
    for (const auto& [rec, wav, size, result] : rows) {
        EXPECT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), size, 0, 0, m_headers.data(), 0), result) << rec << " " << wav;
    }
    EXPECT_EQ(test::readFile(good), recording);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(m_headers, Bytes(140, 0xEE));
}

// Without a successful header call (a failed one drops the last), without
// the WAV file (never created by a page call) or the recording.
TEST_F(WholeFileTest, PageRangeCallRefusals) {
    const auto rec = zrc(ZrcBuilder().page(Bytes(1360, 1), 3, 0).bytes()), wav = file("out.wav");
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 1);
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 7, 0, 0, nullptr, 0), 4);
    EXPECT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 0, nullptr, 1), 1);
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 1);
    fs::remove(wav);
    EXPECT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 0, nullptr, 1), 2);
    EXPECT_FALSE(fs::exists(wav));
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 1);
    const auto before = test::readFile(wav);
    fs::remove(rec);
    EXPECT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 0, nullptr, 1), 1);
    EXPECT_EQ(test::readFile(wav), before);
}

// Not even the header fits: no file is left. The header and part of the
// first page: the call fails, and the header tells the whole samples that
// reached the file rather than the two pages the header call announced.
TEST_F(WholeFileTest, AFullDiskLeavesATrueHeader) {
    const std::string rec = zrc(ZrcBuilder().page(Bytes(1360, 1), 3, 0).page(Bytes(1360, 6), 3, 0).bytes()), wav = file("out.wav");
    {
        test::FileSizeLimit limit(30);
        EXPECT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 2);
    }
    EXPECT_FALSE(fs::exists(wav));
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 2);
    {
        test::FileSizeLimit limit(1001);
        EXPECT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 1, nullptr, 1), 2);
    }
    const Bytes written = test::readFile(wav);
    ASSERT_GE(written.size(), 44u);
    EXPECT_TRUE(written.size() <= 1001 && written.size() % 2 == 0) << written.size();
    EXPECT_EQ(test::le32At(written, 40), written.size() - 44);
    EXPECT_EQ(test::le32At(written, 4), written.size() - 8);
}

// Long paths, names with spaces, in UTF-8 or in Latin-1 bytes as an old
// card's file system gives them: every export takes them whole and as they are.
TEST_F(WholeFileTest, EveryExportTakesTheNameAsItIs) {
    const fs::path folder = m_dir.path() / std::string(80, 'a') / std::string(80, 'b') / std::string(80, 'c');
    fs::create_directories(folder);
    for (const std::string stem : {"voice memo 1", "Besprechung \xC3\xBC", "\xE9\x8C\xB2\xE9\x9F\xB3", "r\xE9union"}) {
        const std::string wav = (folder / (stem + ".wav")).string(), rec = (folder / (stem + ".zrc")).string();
        test::writeFile(wav, test::WavFile::pcm16(8000, test::saw(3000)).bytes());
        ASSERT_EQ(wav_zrc_check(wav.c_str()), 92 + 2 * 528);
        ASSERT_EQ(wav_zrc_mkheader(wav.c_str(), rec.c_str(), 92 + 2 * 528), 0);
        ASSERT_EQ(wav_zrc_encoder(wav.c_str(), rec.c_str(), 0, 2), 0);
        EXPECT_EQ(play_splpget(rec.c_str()).pageCount, 2u);
        Bytes page(528);
        EXPECT_EQ(play_1pagerd(rec.c_str(), 1, page.data()), 5);
        ASSERT_EQ(convert(rec, (folder / (stem + " (decoded).wav")).string(), 2, {{0, 1}}), 2);
        EXPECT_EQ(fs::file_size(folder / (stem + " (decoded).wav")), 44u + 2u * 2338u * 2u);
    }
}

}  // namespace
}  // namespace zrc
