// The library's C exports against the ITU-derived vectors and values worked by hand. Whole-file decoding is
// the home of the WAV plan and resumable WAV writer that Orvel and zrc decode share: their full tables are here.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>
#include <tuple>

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
using test::ParameterSet, test::readFile, test::saw, test::WavFile, test::ZrcBuilder;
using Bytes = std::vector<std::uint8_t>;
using Ranges = std::vector<std::pair<int, int>>;

Bytes with(Bytes b, std::initializer_list<std::pair<std::size_t, std::uint8_t>> changes) {
    for (auto [at, v] : changes) b.at(at) = v;
    return b;
}

class ExportsTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return m_dir.file(name).string(); }
    std::string put(const Bytes& bytes, const std::string& name = "rec.zrc") {
        test::writeFile(file(name), bytes);
        return file(name);
    }
    // A file of its own for each input, so that rows made up front do not overwrite each other.
    std::string scratch(const Bytes& bytes) { return put(bytes, "in" + std::to_string(m_count++) + ".wav"); }

    // The header call, then the page ranges; after each the WAV header (at `rate`) tells the samples in the file.
    std::int32_t convert(const std::string& zrcName, const std::string& wavName, int size, const Ranges& ranges,
                         std::uint32_t rate = 11025) {
        const std::int32_t pages = AdpcmDec1(zrcName.c_str(), wavName.c_str(), size, 0, 0, m_headers.data(), 0);
        if (pages > 0) { EXPECT_EQ(readFile(wavName), Bytes(m_headers.begin() + 92, m_headers.begin() + 136)); }
        for (auto [first, last] : ranges) {
            EXPECT_GT(AdpcmDec1(nullptr, nullptr, size, first, last, nullptr, 1), 2) << first << "-" << last;
            EXPECT_TRUE(test::wavHeaderTrue(readFile(wavName), rate, 8 * size)) << last;
        }
        return pages;
    }
    test::TempDir m_dir;
    Bytes m_headers = Bytes(140, 0xEE);
    int m_count = 0;
};

// --- Recordings and their pages ------------------------------------------------

std::vector<long> fieldsOf(const RecordingInfo& i) {
    return {i.rate0, i.rate1, i.bits0, i.bits1, i.payloadBytes0, i.payloadBytes1, i.payloadBits0, i.payloadBits1,
            i.pageCount, i.seconds0, i.seconds1, i.storedPages0, i.storedPages1, i.pageMs0, i.pageMs1};
}

const Bytes kThreePages = ZrcBuilder().page(Bytes(1360, 1), 3, 0).page(Bytes(2046, 2), 2, 1).page(Bytes(1360, 5), 3, 0).bytes();

// Page durations: 1,360 codes at 11 kHz, 2,046 at 7 kHz, 1,024 and 2,048 at 8.
TEST_F(ExportsTest, DescribesARecordingFromItsHeaderFields) {
    EXPECT_EQ(fieldsOf(play_splpget(put(kThreePages).c_str())),
              (std::vector<long>{11, 7, 3, 2, 510, 511, 0, 4, 3, 0, 0, 3, 0, 123, 292}));
    auto bytes = ZrcBuilder().set0({8, 4, 512, 0}).set1({8, 2, 511, 8}).bytes();
    std::ranges::copy(Bytes{0x34, 0x12, 0x02, 0x00, 0x01, 0x02, 0x03, 0x04, 0x09, 0x00, 0x00, 0x80}, bytes.begin() + 71);
    EXPECT_EQ(fieldsOf(play_splpget(put(bytes).c_str())),
              (std::vector<long>{8, 8, 4, 2, 512, 511, 0, 8, 0, 0x1234, 2, 0x04030201, 0x80000009L, 128, 256}));
}

// Each change fails the conformance check (every field reads 13), then fields no check reads; data / page size.
TEST_F(ExportsTest, ConformanceChecksAndPageCount) {
    std::vector<std::pair<Bytes, std::uint32_t>> rows;
    for (auto [at, v, pages] : std::vector<std::tuple<std::size_t, std::uint8_t, std::uint32_t>>{
             {0, 'R', 13}, {3, 'X', 13}, {8, 'w', 13}, {11, 'X', 13}, {12, 'F', 13}, {15, '_', 13}, {60, 3, 13}, {61, 9, 13},
             {61, 0, 13}, {62, 5, 13}, {62, 1, 13}, {66, 12, 13}, {67, 5, 13}, {84, 'D', 13}, {87, 'A', 13},
             {4, 0, 3}, {16, 99, 3}, {63, 0, 3}, {88, 0xEE, 3}, {60, 2, 3}})
        rows.push_back({with(kThreePages, {{at, v}}), pages});
    rows.push_back({with(kThreePages, {{58, 0}, {59, 0}}), 13});  // a page size of 0
    for (long n : {0, 4, 60, 88, 91}) rows.push_back({Bytes(kThreePages.begin(), kThreePages.begin() + n), 13});
    Bytes longer = kThreePages;
    longer.resize(92 + 528 * 3 + 100, 0);
    rows.insert(rows.end(), {{Bytes(kThreePages.begin(), kThreePages.end() - 1), 2}, {longer, 3},
                             {with(longer, {{58, 100}, {59, 0}}), 16}});  // 1,684 bytes in pages of 100
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const RecordingInfo info = play_splpget(put(rows[k].first).c_str());
        EXPECT_EQ(info.pageCount, rows[k].second) << "row " << k;
        EXPECT_EQ(fieldsOf(info) == std::vector<long>(15, 13), rows[k].second == 13) << "row " << k;
    }
    for (const auto& name : {m_dir.file("absent.zrc"), m_dir.path()}) {
        Bytes page(528, 0x5A), table(2, 0x5A);
        EXPECT_EQ(fieldsOf(play_splpget(name.c_str())), std::vector<long>(15, 1)) << name;
        EXPECT_EQ(play_1pagerd(name.c_str(), 0, page.data()) + pb_splptblmk(name.c_str(), table.data(), 2), 2) << name;
        EXPECT_TRUE(page == Bytes(528, 0x5A) && table == Bytes(2, 0x5A)) << name;
    }
}

// Type = bit 0 of the flag, however many reads the table takes; past the end of the file every byte reads 0xFF.
TEST_F(ExportsTest, PagesAndTheirTypes) {
    ZrcBuilder b;
    Bytes expected, table(1003, 0xAA), page(528);
    for (int k = 0; k < 1000; ++k) {
        const bool type1 = k % 7 == 3 || k % 11 == 0;
        b.page(k == 999 ? Bytes(1360, 5) : Bytes{}, 3, static_cast<std::uint8_t>(type1 ? k | 1 : k & 0xFE));
        expected.push_back(type1 ? 1 : 0);
    }
    const Bytes whole = b.bytes(), bytes(whole.begin(), whole.end() - 228);  // the last page ends before its flag
    const auto name = put(bytes);
    ASSERT_EQ(pb_splptblmk(name.c_str(), table.data(), 1003), 0);
    expected.back() = 1;  // its flag past the end reads 0xFF
    expected.insert(expected.end(), {1, 1, 1});
    EXPECT_EQ(table, expected);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(play_1pagerd(name.c_str(), k, page.data()), expected[std::size_t(k)] ? 5 : 0) << k;
    Bytes partial(bytes.end() - 300, bytes.end());
    partial.resize(528, 0xFF);
    EXPECT_TRUE(play_1pagerd(name.c_str(), 999, page.data()) == 5 && page == partial);
    EXPECT_TRUE(play_1pagerd(name.c_str(), 5000, page.data()) == 5 && page == Bytes(528, 0xFF));
}

// A table entry other than 0 or 1 counts nowhere; the time holds at the top.
TEST(PageTable, PlayingTimeAndCounters) {
    const Bytes mixed = {0, 1, 0, 2, 7};
    EXPECT_EQ(get_time(mixed.data(), 0, 123, 292), 123);
    EXPECT_EQ(get_time(mixed.data(), 3, 123, 292), 2 * 123 + 292);
    EXPECT_EQ(get_time(Bytes(3, 1).data(), 2, 0, 1'000'000'000), 2'147'483'647);
    std::array<std::uint32_t, 2> counters = {99, 99};
    EXPECT_TRUE(splp_pageno(mixed.data(), counters.data(), 4) == 0 && counters == (std::array<std::uint32_t, 2>{2, 1}));
    EXPECT_TRUE(splp_pageno(mixed.data(), counters.data(), 0) == 0 && counters == (std::array<std::uint32_t, 2>{0, 0}));
}

// The format's packing examples tie packCodes to it; then no code past the count, and nothing read past the page.
TEST(Unpack, MatchesThePackingOfTheFormatAndStaysInThePage) {
    EXPECT_TRUE(test::packCodes({0, 1, 2, 3, 4, 5, 6, 7}, 3) == (Bytes{0x88, 0xC6, 0xFA}) &&
                test::packCodes({1, 2, 3, 0}, 2) == Bytes{0x39} &&
                test::packCodes({5, 10, 10, 5}, 4) == (Bytes{0xA5, 0x5A}));
    std::mt19937 rng(1234);
    const auto i16 = [](auto v) { return static_cast<std::int16_t>(v); };
    for (int width = 2; width <= 4; ++width) {
        for (int bytes : {0, 1, 2, 3, 4, 5, 6, 7, 100, 101, 102, 509, 510, 511, 512}) {
            for (int extra = 0; extra <= 8 && bytes * 8 + extra <= 4096; ++extra) {
                const auto count = static_cast<std::size_t>((bytes * 8 + extra) / width);
                const Bytes expected = test::randomCodes(count, width, rng);
                Bytes page = test::packCodes(expected, width), codes(2049, 0xEE);
                page.resize(528, 0xFF);
                SCOPED_TRACE(std::to_string(width) + " " + std::to_string(bytes) + " " + std::to_string(extra));
                ASSERT_EQ(pb_exdata(i16(width), i16(bytes), i16(extra), page.data(), codes.data()), i16(count));
                EXPECT_TRUE(std::equal(expected.begin(), expected.end(), codes.begin()) && codes[count] == 0xEE);
            }
        }
    }
    const Bytes page(528, 0xFF);
    Bytes codes(2048, 0xEE);
    for (auto [width, bytes, extra] : std::vector<std::array<std::int16_t, 3>>{
             {1, 10, 0}, {5, 10, 0}, {0, 10, 0}, {-3, 10, 0}, {3, -1, 0}, {3, 10, -1}, {3, 10, 9}, {2, 512, 1},
             {2, 513, 0}, {4, 32767, 8}})
        EXPECT_EQ(pb_exdata(width, bytes, extra, page.data(), codes.data()), 0) << width << " " << bytes << " " << extra;
    EXPECT_EQ(codes, Bytes(2048, 0xEE));
    EXPECT_EQ(pb_exdata(2, 511, 8, page.data(), codes.data()), 2048) << "the largest payload that passes";
}

// --- Whole-file decoding ------------------------------------------------------

struct VectorFile { std::string name, sequence; std::uint8_t mode; ParameterSet set; std::size_t perPage; int pages, sampleSize;
                    std::uint32_t sampleRate; Ranges ranges; };

class WholeFileVectorTest : public ExportsTest, public ::testing::WithParamInterface<VectorFile> {};

// Pages of a vector's codes under flags of every kind (the header's mode alone picks the set): one doubled step per
// code across any split into ranges; 8-bit is 128 + x / 256; at rate 7 codes 0, 7, .., 2,037 of a page twice.
TEST_P(WholeFileVectorTest, EverySampleIsTheDoubledStep) {
    const VectorFile& f = GetParam();
    const auto v = test::loadDecoderVector(f.set.width, f.sequence);
    ZrcBuilder b;
    (f.mode == 0 ? b.set0(f.set) : b.set1(f.set)).mode(f.mode);
    for (std::size_t p = 0; p < std::size_t(f.pages); ++p) {
        const auto first = v.codes.begin() + static_cast<std::ptrdiff_t>(f.perPage * p);
        b.page(Bytes(first, first + static_cast<std::ptrdiff_t>(f.perPage)), f.set.width,
               static_cast<std::uint8_t>(f.mode + 51 * p));
    }
    const Bytes rec = b.bytes();
    ASSERT_EQ(convert(put(rec), file("out.wav"), f.sampleSize, f.ranges, f.sampleRate), f.pages);
    std::vector<std::int16_t> x16;
    Bytes x8;
    for (std::size_t k = 0; k < f.perPage * static_cast<std::size_t>(f.pages); ++k) {
        const std::int16_t x = test::doubledClipped(v.steps[k]);
        const std::size_t times = f.set.rate == 7 && k % f.perPage % 7 == 0 && k % f.perPage <= 2037 ? 2 : 1;
        x16.insert(x16.end(), times, x);
        x8.insert(x8.end(), times, static_cast<std::uint8_t>(128 + x / 256));
    }
    const Bytes wav = f.sampleSize == 2 ? WavFile::pcm16(f.sampleRate, x16).bytes() : WavFile::pcm8(f.sampleRate, x8).bytes();
    const Bytes out = readFile(file("out.wav"));
    EXPECT_TRUE(std::equal(m_headers.begin(), m_headers.begin() + 92, rec.begin()));
    EXPECT_TRUE(std::equal(m_headers.begin() + 92, m_headers.begin() + 136, wav.begin()) && m_headers[136] == 0xEE);
    EXPECT_TRUE(out == wav) << "first difference at byte "
                            << std::mismatch(out.begin(), out.end(), wav.begin(), wav.end()).first - out.begin();
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WholeFileVectorTest,
    ::testing::Values(
        VectorFile{"mode0_rate11_w3_16bit", "nrm-a", 0, {11, 3, 510, 0}, 1360, 10, 2, 11025, {{0, 4}, {5, 9}}},
        VectorFile{"mode0_rate11_w3_8bit", "nrm-m", 0, {11, 3, 510, 0}, 1360, 10, 1, 11025, {{0, 0}, {1, 5}, {6, 9}}},
        VectorFile{"mode1_rate7_w2_16bit", "nrm-a", 1, {7, 2, 511, 4}, 2046, 3, 2, 8000, {{0, 0}, {1, 1}, {2, 1000}}},
        VectorFile{"mode1_rate8_w2_16bit", "nrm-m", 1, {8, 2, 511, 4}, 2048, 4, 2, 8000, {{0, 3}}},
        VectorFile{"mode0_rate8_w4_16bit", "nrm-a", 0, {8, 4, 512, 0}, 1024, 5, 2, 8000, {{0, 4}}},
        VectorFile{"mode0_rate8_w3_16bit", "i", 0, {8, 3, 510, 0}, 1360, 2, 2, 8000, {{0, 1}}}),
    [](const auto& p) { return p.param.name; });

// A header claiming 4 GB over 3 pages and 100 bytes reads the rest as 0xFF; a smaller data size is followed.
TEST_F(ExportsTest, WholeFilePageCountIsHeldToThePagesTheFileHolds) {
    auto bytes = ZrcBuilder()
                     .page(Bytes(1360, 1), 3, 0)
                     .page(Bytes(1360, 2), 3, 0)
                     .page(Bytes(1360, 6), 3, 0)
                     .rawPage(Bytes(100, 0x3C))
                     .bytes();
    const auto padded = bytes;
    auto shortSize = with(bytes, {{88, 0x20}, {89, 0x04}, {90, 0}, {91, 0}});  // 2 pages
    bytes.resize(92 + 3 * 528 + 100);
    bytes[88] = 0x00, bytes[89] = bytes[90] = bytes[91] = 0xFF;
    ASSERT_EQ(convert(put(bytes), file("out.wav"), 2, {{0, 1000000}}), 4);
    ASSERT_EQ(convert(put(padded, "padded.zrc"), file("padded.wav"), 2, {{0, 3}}), 4);
    EXPECT_EQ(readFile(file("out.wav")), readFile(file("padded.wav")));
    ASSERT_EQ(convert(put(shortSize, "short.zrc"), file("short.wav"), 2, {{0, 3}}), 2);
    EXPECT_EQ(readFile(file("short.wav")).size(), 44u + 2u * 2720u);
    EXPECT_EQ(convert(put(Bytes(bytes.begin(), bytes.begin() + 91), "cut.zrc"), file("cut.wav"), 2, {}), 0);
}

// 37 no recording; 2 no WAV file there (a device is none, nor the recording by any name); 4 sample size;
// 3 no WAV format for the mode, rate or width (a cut header reads mode 255). Nothing is made, the buffer untouched.
TEST_F(ExportsTest, WholeFileHeaderCallRefusalsCreateNothing) {
    const Bytes recording = ZrcBuilder().page(Bytes(1360, 1), 3, 0).bytes();
    const auto good = put(recording), out = file("out.wav"), folder = m_dir.path().string();
    fs::create_hard_link(good, file("hard.wav"));
    const auto bad = [&](std::uint8_t mode, ParameterSet s0, ParameterSet s1) {
        return scratch(ZrcBuilder().mode(mode).set0(s0).set1(s1).bytes());
    };
    const auto cut = [&](long n) { return scratch(Bytes(recording.begin(), recording.begin() + n)); };
    const std::vector<std::tuple<std::string, std::string, int, std::int32_t>> rows = {
        {file("absent.zrc"), out, 2, 37}, {folder, out, 2, 37}, {good, file("no/such/folder.wav"), 2, 2}, {good, folder, 2, 2},
        {good, good, 2, 2}, {good, file("./rec.zrc"), 2, 2}, {good, file("hard.wav"), 2, 2}, {good, out, 0, 4}, {good, out, 3, 4},
        {good, "/dev/null", 2, 2}, {good, out, 16, 4}, {good, out, -1, 4}, {bad(2, {11, 3, 510, 0}, {7, 2, 511, 4}), out, 2, 3},
        {bad(0, {7, 2, 511, 4}, {7, 2, 511, 4}), out, 2, 3}, {bad(1, {11, 3, 510, 0}, {11, 3, 510, 0}), out, 2, 3},
        {bad(0, {11, 9, 510, 0}, {7, 2, 511, 4}), out, 2, 3}, {cut(0), out, 2, 3}, {cut(60), out, 2, 3}};
    for (const auto& [rec, wav, size, result] : rows)
        EXPECT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), size, 0, 0, m_headers.data(), 0), result) << rec << " " << wav;
    EXPECT_EQ(readFile(good), recording);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(m_headers, Bytes(140, 0xEE));
}

// A page call needs the last header call to have succeeded, the WAV file (never made again) and the recording.
TEST_F(ExportsTest, WholeFilePageRangeCallRefusals) {
    const auto rec = put(ZrcBuilder().page(Bytes(1360, 1), 3, 0).bytes()), wav = file("out.wav");
    const auto header = [&](int size) { return AdpcmDec1(rec.c_str(), wav.c_str(), size, 0, 0, nullptr, 0); };
    const auto pages = [] { return AdpcmDec1(nullptr, nullptr, 2, 0, 0, nullptr, 1); };
    ASSERT_TRUE(header(2) == 1 && header(7) == 4);
    EXPECT_EQ(pages(), 1);
    ASSERT_TRUE(header(2) == 1 && fs::remove(wav));
    EXPECT_TRUE(pages() == 2 && !fs::exists(wav));
    ASSERT_EQ(header(2), 1);
    const Bytes before = readFile(wav);
    ASSERT_TRUE(fs::remove(rec));
    EXPECT_TRUE(pages() == 1 && readFile(wav) == before);
}

// No room for the header: no file. Room for part of a page: the WAV header tells the samples that reached the
// file. A recording's header or pages that do not fit get the encoding exports' codes 4 and 7.
TEST_F(ExportsTest, AFullDisk) {
    const std::string rec = put(ZrcBuilder().page(Bytes(1360, 1), 3, 0).page(Bytes(1360, 6), 3, 0).bytes()),
                      wav = file("out.wav");
    const auto limited = [](rlim_t bytes, auto call) { const test::FileSizeLimit limit(bytes); return call(); };
    EXPECT_TRUE(limited(30, [&] { return AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0); }) == 2 && !fs::exists(wav));
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 2);
    EXPECT_EQ(limited(1001, [] { return AdpcmDec1(nullptr, nullptr, 2, 0, 1, nullptr, 1); }), 2);
    const Bytes written = readFile(wav);
    ASSERT_TRUE(written.size() >= 44 && written.size() <= 1001 && written.size() % 2 == 0) << written.size();
    EXPECT_TRUE(test::wavHeaderTrue(written, 11025, 16));
    const auto in = scratch(WavFile::pcm16(11025, saw(2000)).bytes()), out = file("out.zrc");
    const char *i = in.c_str(), *o = out.c_str();
    EXPECT_EQ(limited(50, [&] { return wav_zrc_mkheader(i, o, 620) + wav_zrc_mkheader_f(i, o, 620, 512, 0, 3); }), 4 + 4);
    ASSERT_EQ(wav_zrc_mkheader(i, o, 620), 0);
    EXPECT_EQ(limited(600, [&] { return wav_zrc_encoder(i, o, 0, 2) + wav_zrc_encoder_f(i, o, 0, 2, 512, 0, 3); }), 7 + 7);
}

// --- Making recordings ---------------------------------------------------------

Bytes claiming(std::uint32_t rate, std::uint16_t bits, std::uint32_t dataSize) {
    return WavFile{rate, 1, 1, bits, Bytes(dataSize, 0)}.bytes();
}

// Sizes worked by hand, the results in their order of testing; the first "data" anywhere counts, size bytes
// past the end read as 0, and 4 GB does not wrap.
TEST_F(ExportsTest, EncodingChecks) {
    const Bytes canonical = claiming(11025, 16, 27200),
                all1 = with(claiming(11025, 16, 0), {{40, 255}, {41, 255}, {42, 255}, {43, 255}});
    Bytes listFirst = canonical, far(16384 - 2, 0), cutTag = with(claiming(11025, 16, 0), {{40, 0x40}, {41, 0x6A}});
    listFirst.insert(listFirst.begin() + 36, {'L', 'I', 'S', 'T', 8, 0, 0, 0, 'd', 'a', 't', 'a', 16, 0, 0, 0});
    std::copy_n(claiming(8000, 8, 0).begin(), 36, far.begin());  // the tag across the reader's first 16 KiB block
    far.insert(far.end(), {'d', 'a', 't', 'a', 0xFE, 0x07, 0, 0});
    cutTag.resize(42);
    // wav_zrc_check; its refusals (under 92) are wav_zrc_check_f's too.
    for (const auto& [wav, expected] : std::vector<std::pair<Bytes, std::int32_t>>{
             {canonical, 5372}, {claiming(8000, 8, 2046), 1148}, {claiming(11025, 8, 1359), 1148},
             {claiming(11025, 8, 1360), 620}, {claiming(11025, 16, 0), 92}, {all1, 833729516}, {listFirst, 620},
             {far, 1148}, {cutTag, 5372}, {{}, 2}, {with(canonical, {{0, 'X'}}), 5372}, {with(canonical, {{10, 'v'}}), 2},
             {with(canonical, {{24, 0x22}, {25, 0x56}, {22, 2}}), 3}, {with(canonical, {{27, 1}}), 3},
             {with(canonical, {{22, 2}, {20, 3}}), 4}, {with(canonical, {{23, 1}}), 5372}, {with(canonical, {{20, 3}}), 5},
             {with(canonical, {{21, 1}}), 5}, {with(canonical, {{36, 'D'}, {34, 24}}), 6}, {with(canonical, {{34, 24}}), 7},
             {with(canonical, {{34, 0}}), 7}}) {
        const std::string in = scratch(wav);
        EXPECT_EQ(wav_zrc_check(in.c_str()), expected) << "row " << m_count;
        if (expected < 92) { EXPECT_EQ(wav_zrc_check_f(in.c_str(), 510, 0, 3), expected) << "row " << m_count; }
    }
    // wav_zrc_check_f with {payload bytes, extra bits, width}: pages of the caller's layout plus one.
    for (const auto& [wav, layout, expected] : std::vector<std::tuple<Bytes, std::array<std::int32_t, 3>, std::int32_t>>{
             {claiming(11025, 16, 0), {512, 0, 3}, 620}, {claiming(8000, 16, 2730), {512, 0, 3}, 1148},
             {claiming(8000, 16, 2730), {512, 0, 2}, 620}, {canonical, {512, 0, 4}, 92 + 14 * 528},
             {claiming(8000, 16, 2730), {0x10000 + 512, 0x20000, 0x30003}, 1148},  // low 16 bits of each
             {canonical, {0, 3, 3}, 92 + 13601 * 528},
             {with(claiming(8000, 8, 0), {{40, 255}, {41, 255}, {42, 255}, {43, 255}}), {512, 0, 4}, 9},
             {with(canonical, {{34, 0}}), {512, 1, 5}, 7},  // the layout is tested last
             {canonical, {512, 0, 1}, 8}, {canonical, {512, 0, 16}, 8}, {canonical, {0, 0, 2}, 8}, {canonical, {0, 2, 3}, 8},
             {canonical, {512, 1, 3}, 8}}) {
        EXPECT_EQ(wav_zrc_check_f(scratch(wav).c_str(), layout[0], layout[1], layout[2]), expected) << "row " << m_count;
    }
    EXPECT_EQ(wav_zrc_check(file("absent.wav").c_str()), 1);
    const Bytes fields = with(claiming(22050, 24, 10), {{27, 0x80}});  // the rate field is read unchecked
    EXPECT_TRUE(wav_samplef(scratch(fields).c_str()) == 0x80005622u && wav_bitmode(scratch(fields).c_str()) == 24);
    EXPECT_EQ(wav_bitmode(scratch(Bytes(fields.begin(), fields.begin() + 34)).c_str()), 0) << "no byte 34";
    EXPECT_EQ(wav_samplef(scratch(Bytes(fields.begin(), fields.begin() + 27)).c_str()), 0u) << "no whole rate field";
}

// 13,600 samples at 11,025 Hz: 217,600 / 11,025 / 16 = 1 s; the caller's layout keeps the recorder's sets, width 2
// giving mode 1; 108 pages of 2,048 codes at 11,025 Hz are 20 s, 8,030 codes at 1,000 Hz 8 s.
TEST_F(ExportsTest, EncodingHeaders) {
    const auto in = scratch(WavFile::pcm16(11025, saw(13600)).bytes()),
               in8k8 = scratch(WavFile::pcm8(8000, Bytes(80000, 128)).bytes());
    const auto in11k = scratch(WavFile::pcm16(11025, saw(220500)).bytes()),
               in8k = scratch(WavFile::pcm16(8000, saw(8000)).bytes());
    const auto odd = scratch(WavFile::pcm16(1000, saw(10)).bytes()), out = file("out.zrc");
    struct Row {
        std::string input;
        std::uint32_t pages;
        std::int32_t payload, extra, width;
        std::array<std::uint8_t, 3> fields;
    };
    for (const Row& r :
         {Row{in, 10, 0, 0, 0, {1, 0, 3}}, Row{in8k8, 40, 0, 0, 0, {10, 1, 3}}, Row{in8k8, 0, 0, 0, 0, {10, 1, 3}},
          Row{in11k, 108, 512, 0, 2, {20, 1, 3}}, Row{in11k, 1, 512, 0, 3, {0, 0, 3}},
          Row{in11k, 1, 512, 0, 4, {0, 0, 4}}, Row{in8k, 1, 512, 0, 2, {0, 1, 3}},
          Row{odd, 30, 100, 3, 3, {8, 0, 3}}}) {  // fields: s, mode, width0
        const std::uint32_t size = 92 + 528 * r.pages;
        ASSERT_EQ(r.width == 0 ? wav_zrc_mkheader(r.input.c_str(), out.c_str(), size)
                               : wav_zrc_mkheader_f(r.input.c_str(), out.c_str(), size, r.payload, r.extra, r.width), 0);
        const Bytes h = readFile(out);
        EXPECT_EQ(Bytes(h.begin() + 56, h.begin() + 71),
                  (Bytes{r.fields[0], 0, 0x10, 0x02, r.fields[1], 11, r.fields[2], 0xFE, 0x01, 0, 7, 2, 0xFF, 0x01, 4}))
            << r.input << " " << r.width;
        EXPECT_TRUE(test::le32At(h, 75) == r.pages && test::le32At(h, 88) == 528 * r.pages && test::le32At(h, 4) == size - 8);
    }
}

// A refusal leaves the recording emptied (header writers) or untouched (encoders); the header writer refuses every
// layout the encoder would, since a header for pages never written describes a recording no reader can play.
TEST_F(ExportsTest, EncodingRefusals) {
    const auto good = WavFile::pcm16(11025, saw(2000)).bytes();
    const auto g = scratch(good), nd = scratch(with(good, {{36, 'D'}})), b24 = scratch(with(good, {{34, 24}})),
               zb = scratch(with(good, {{34, 0}}));
    const auto r22k = scratch(WavFile::pcm16(22050, saw(100)).bytes()), r0 = scratch(WavFile::pcm16(0, saw(100)).bytes());
    const auto absent = file("absent.wav"), folder = m_dir.path().string(), out = file("out.zrc");
    using Layout = std::array<std::int32_t, 3>;  // {payload bytes, extra bits, width}; width 0: the export without _f
    const auto call = [](bool encoder, const std::string& w, const std::string& z, Layout l = {}) {
        const char *wn = w.c_str(), *zn = z.c_str();
        if (encoder) return l[2] == 0 ? wav_zrc_encoder(wn, zn, 0, 1) : wav_zrc_encoder_f(wn, zn, 0, 1, l[0], l[1], l[2]);
        return l[2] == 0 ? wav_zrc_mkheader(wn, zn, 620) : wav_zrc_mkheader_f(wn, zn, 620, l[0], l[1], l[2]);
    };
    const Layout w3{512, 0, 3};
    struct Row { bool encoder; std::string wav; Layout layout; std::int32_t result; };
    std::vector<Row> rows = {{false, absent, {}, 1}, {false, folder, w3, 1}, {false, nd, {}, 3}, {false, zb, {}, 3},
                             {false, r22k, {}, 3}, {false, nd, w3, 3}, {false, zb, w3, 3}, {false, r0, w3, 3},
                             {true, b24, {}, 5}, {true, nd, {}, 6}, {true, r22k, {}, 0} /* done, nothing encoded */,
                             {true, b24, w3, 5}, {true, nd, w3, 6}, {true, g, {512, 1, 5}, 3}, {true, absent, {}, 1},
                             {true, folder, w3, 1}};
    for (auto [bytes, bits, width, encResult] : std::vector<std::array<std::int32_t, 4>>{
             {512, 0, 0x10000, 4}, {512, 0, 1, 4}, {512, 0, 5, 4}, {512, 0, 0xFFFF, 4}, {1000, 0, 3, 3}, {512, 1, 2, 3},
             {0, 2, 3, 3}, {0, 0, 4, 3}})
        rows.insert(rows.end(), {{false, g, {bytes, bits, width}, 3}, {true, g, {bytes, bits, width}, encResult}});
    for (const Row& r : rows) {
        test::writeFile(out, Bytes(92, 0xAB));
        EXPECT_EQ(call(r.encoder, r.wav, out, r.layout), r.result)
            << r.wav << " " << r.layout[2] << (r.encoder ? " encoder" : " header");
        EXPECT_EQ(readFile(out), r.encoder ? Bytes(92, 0xAB) : Bytes{}) << r.wav << " " << r.layout[2];
    }
    EXPECT_EQ(call(false, r22k, out, w3), 0) << "any other rate is taken";
    fs::create_hard_link(g, file("hard.zrc"));
    for (const std::string& bad :
         {file("no/dir.zrc"), folder, g, (m_dir.path() / "." / fs::path(g).filename()).string(), file("hard.zrc")}) {
        EXPECT_EQ(call(false, g, bad) + call(false, g, bad, w3) + call(true, g, bad) + call(true, g, bad, w3), 8)
            << "2 from each: " << bad;
    }
    EXPECT_EQ(readFile(g), good);
}

// Samples follow the first "data" (here in a LIST); any split into calls is one call. Past their end 11,025 Hz
// gives codes of all ones (1,000 codes fill 375 bytes), other input silence (128 for 8-bit).
TEST_F(ExportsTest, EncodingWhereTheSamplesAreAndPastTheirEnd) {
    // The recording made in calls of the given page counts; a layout {bytes, bits, width} calls the _f export.
    const auto encode = [&](const Bytes& input, std::vector<std::uint32_t> counts, std::array<std::int32_t, 3> l = {}) {
        const std::string in = scratch(input), out = file("made" + std::to_string(m_count) + ".zrc");
        for (std::uint32_t first = 0; std::uint32_t n : counts) {
            EXPECT_EQ(l[2] == 0 ? wav_zrc_encoder(in.c_str(), out.c_str(), first, n)
                                : wav_zrc_encoder_f(in.c_str(), out.c_str(), first, n, l[0], l[1], l[2]), 0);
            first += n;
        }
        return readFile(out);
    };
    const auto x = saw(2 * 2046);
    Bytes listed = WavFile::pcm16(11025, {x.begin(), x.begin() + 1360}).bytes();
    const char list[] = "LIST\xAC\x0A\x00\x00INFO";
    listed.insert(listed.begin() + 36, list, list + 12);
    const Bytes full = encode(WavFile::pcm16(11025, x).bytes(), {1}),
                cut = encode(WavFile::pcm16(11025, {x.begin(), x.begin() + 1000}).bytes(), {2});
    EXPECT_EQ(encode(listed, {1}), full);
    const auto allOnes = [](auto from, auto to) { return std::all_of(from, to, [](std::uint8_t v) { return v == 0xFF; }); };
    EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + 375, full.begin()));
    EXPECT_TRUE(allOnes(cut.begin() + 375, cut.begin() + 510) && allOnes(cut.begin() + 528, cut.begin() + 528 + 510));
    std::vector<std::int16_t> padded(x.begin(), x.begin() + 1500);
    padded.resize(2 * 2046, 0);
    EXPECT_EQ(encode(WavFile::pcm16(8000, {x.begin(), x.begin() + 1500}).bytes(), {1, 1}),
              encode(WavFile::pcm16(8000, padded).bytes(), {2}));
    Bytes u8 = test::pattern(700), u8Padded = u8;
    u8Padded.resize(3 * 1024, 128);
    EXPECT_EQ(encode(WavFile::pcm8(11025, u8).bytes(), {2, 1}, {512, 0, 4}),
              encode(WavFile::pcm8(11025, u8Padded).bytes(), {3}, {512, 0, 4}));
    const Bytes free2 = encode(WavFile::pcm16(8000, x).bytes(), {1}, {100, 0, 2});
    EXPECT_EQ(Bytes(free2.begin() + 100, free2.end()), with(Bytes(428, 0xFF), {{412, 1}})) << "filler; flag 1 for 2-bit codes";
}

}  // namespace
}  // namespace zrc
