// Making recordings through the library's C exports: the WAV checks and
// their size predictions, the header writers, the encoders and their page
// ranges, and the refusals of each.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "file_size_limit.h"
#include "pagecodec.h"
#include "signals.h"
#include "test_files.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

namespace fs = std::filesystem;
using test::WavFile;
using Bytes = std::vector<std::uint8_t>;

using test::saw;

// A WAV file whose data chunk claims dataSize bytes (the checks read only
// the size field).
Bytes claiming(std::uint32_t rate, std::uint16_t bits, std::uint32_t dataSize) {
    return WavFile{rate, 1, 1, bits, Bytes(dataSize, 0)}.bytes();
}

// The bytes with those at the given offsets replaced.
Bytes with(Bytes b, std::initializer_list<std::pair<std::size_t, std::uint8_t>> changes) {
    for (auto [at, v] : changes) b.at(at) = v;
    return b;
}

class EncodeExportsTest : public ::testing::Test {
protected:
    std::string wav(const Bytes& bytes) {
        const auto path = m_dir.file("in" + std::to_string(m_count++) + ".wav");
        test::writeFile(path, bytes);
        return path.string();
    }
    std::string zrc(const std::string& name = "out.zrc") { return m_dir.file(name).string(); }
    Bytes read(const std::string& path) { return test::readFile(path); }
    // A new recording of the input's pages, made in the given calls (first
    // page, count) of wav_zrc_encoder or, for a layout {bytes, bits, width},
    // wav_zrc_encoder_f.
    Bytes encode(const Bytes& input, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& calls,
                 std::array<std::int32_t, 3> layout = {}) {
        const std::string in = wav(input), out = zrc("made" + std::to_string(m_count) + ".zrc");
        for (auto [first, n] : calls) {
            EXPECT_EQ(layout[2] == 0 ? wav_zrc_encoder(in.c_str(), out.c_str(), first, n)
                                     : wav_zrc_encoder_f(in.c_str(), out.c_str(), first, n, layout[0], layout[1], layout[2]), 0);
        }
        return read(out);
    }

    test::TempDir m_dir;
    int m_count = 0;
};

// Sizes worked by hand (pages of the recorder's layout, or of the caller's
// plus one), the results in their order of testing, and where the data tag
// may be: the first "data" anywhere counts, its size bytes past the end read
// as 0, and a size of 4 GB does not wrap.
TEST_F(EncodeExportsTest, Checks) {
    const Bytes canonical = claiming(11025, 16, 27200), big16 = with(claiming(11025, 16, 0), {{40, 255}, {41, 255}, {42, 255}, {43, 255}});
    Bytes listFirst = canonical, far = claiming(8000, 8, 0), cutTag = with(claiming(11025, 16, 0), {{40, 0x40}, {41, 0x6A}});
    listFirst.insert(listFirst.begin() + 36, {'L', 'I', 'S', 'T', 8, 0, 0, 0, 'd', 'a', 't', 'a', 16, 0, 0, 0});
    far.resize(36);
    far.resize(16384 - 2, 0);  // the tag across the reader's first 16 KiB block
    far.insert(far.end(), {'d', 'a', 't', 'a', 0xFE, 0x07, 0, 0});
    cutTag.resize(42);
    struct Row {
        Bytes wav;
        std::int32_t width, payload, extra, expected;  // width 0: wav_zrc_check
    };
    const std::vector<Row> rows = {
        {canonical, 0, 0, 0, 5372}, {claiming(8000, 8, 2046), 0, 0, 0, 1148}, {claiming(11025, 8, 1359), 0, 0, 0, 1148},
        {claiming(11025, 8, 1360), 0, 0, 0, 620}, {claiming(11025, 16, 0), 0, 0, 0, 92}, {claiming(11025, 16, 0), 3, 512, 0, 620},
        {claiming(8000, 16, 2730), 3, 512, 0, 1148}, {claiming(8000, 16, 2730), 2, 512, 0, 620}, {canonical, 4, 512, 0, 92 + 14 * 528},
        {claiming(8000, 16, 2730), 0x30003, 0x10000 + 512, 0x20000, 1148},  // low 16 bits of each
        {canonical, 3, 0, 3, 92 + 13601 * 528}, {big16, 0, 0, 0, 833729516},
        {with(claiming(8000, 8, 0), {{40, 255}, {41, 255}, {42, 255}, {43, 255}}), 4, 512, 0, 9},
        {listFirst, 0, 0, 0, 620}, {far, 0, 0, 0, 1148}, {cutTag, 0, 0, 0, 5372}, {{}, 0, 0, 0, 2},
        {with(canonical, {{0, 'X'}}), 0, 0, 0, 5372}, {with(canonical, {{10, 'v'}}), 0, 0, 0, 2},
        {with(canonical, {{24, 0x22}, {25, 0x56}, {22, 2}}), 0, 0, 0, 3}, {with(canonical, {{27, 1}}), 0, 0, 0, 3},
        {with(canonical, {{22, 2}, {20, 3}}), 0, 0, 0, 4}, {with(canonical, {{23, 1}}), 0, 0, 0, 5372},
        {with(canonical, {{20, 3}}), 0, 0, 0, 5}, {with(canonical, {{21, 1}}), 0, 0, 0, 5},
        {with(canonical, {{36, 'D'}, {34, 24}}), 0, 0, 0, 6}, {with(canonical, {{34, 24}}), 0, 0, 0, 7}, {with(canonical, {{34, 0}}), 0, 0, 0, 7},
        {with(canonical, {{34, 0}}), 5, 512, 1, 7},  // the layout is tested last
        {canonical, 1, 512, 0, 8}, {canonical, 16, 512, 0, 8}, {canonical, 2, 0, 0, 8}, {canonical, 3, 0, 2, 8}, {canonical, 3, 512, 1, 8},
    };
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const Row& r = rows[k];
        const std::string in = wav(r.wav);
        EXPECT_EQ(r.width == 0 ? wav_zrc_check(in.c_str()) : wav_zrc_check_f(in.c_str(), r.payload, r.extra, r.width), r.expected) << "row " << k;
        if (r.width == 0 && r.expected < 92) { EXPECT_EQ(wav_zrc_check_f(in.c_str(), 510, 0, 3), r.expected) << "row " << k; }
    }
    EXPECT_EQ(wav_zrc_check(m_dir.file("absent.wav").string().c_str()), 1);
    const Bytes fields = with(claiming(22050, 24, 10), {{27, 0x80}});
    EXPECT_EQ(wav_samplef(wav(fields).c_str()), 0x80005622u) << "the rate field, unchecked";
    EXPECT_EQ(wav_bitmode(wav(fields).c_str()), 24);
    EXPECT_EQ(wav_bitmode(wav(Bytes(fields.begin(), fields.begin() + 34)).c_str()), 0) << "no byte 34";
    EXPECT_EQ(wav_samplef(wav(Bytes(fields.begin(), fields.begin() + 27)).c_str()), 0u) << "no whole rate field";
}

// The recorder's layout: 13,600 samples at 11,025 Hz are 10 pages and
// 217,600 / 11,025 / 16 = 1 second, pinned byte for byte; 80,000 8-bit at
// 8,000 Hz mode 1, 40 pages, 10 seconds. The caller's layout keeps the
// recorder's parameter sets whatever the layout and rate: width 2 gives mode
// 1, width 4 a set 0 of width 4; 108 pages of 2,048 codes at 11,025 Hz are 20
// seconds, 8,030 codes at 1,000 Hz 8.
TEST_F(EncodeExportsTest, Headers) {
    const auto in = wav(WavFile::pcm16(11025, saw(13600)).bytes());
    ASSERT_EQ(wav_zrc_mkheader(in.c_str(), zrc().c_str(), 5372), 0);
    Bytes expected = {'Q', 'I', 'F', 'F', 0xF4, 0x14, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 64, 0, 0, 0};
    expected.resize(56, 0xFF);
    expected.insert(expected.end(), {1, 0, 0x10, 0x02, 0, 11, 3, 0xFE, 0x01, 0, 7, 2, 0xFF, 0x01, 4, 1, 0, 0, 0,
                                     10, 0, 0, 0, 0, 0, 0, 0, 0xFF, 'd', 'a', 't', 'a', 0xA0, 0x14, 0, 0});
    EXPECT_EQ(read(zrc()), expected);
    const auto in8k8 = wav(WavFile::pcm8(8000, Bytes(80000, 128)).bytes()), in11k = wav(WavFile::pcm16(11025, saw(220500)).bytes());
    const auto in8k = wav(WavFile::pcm16(8000, saw(8000)).bytes()), odd = wav(WavFile::pcm16(1000, saw(10)).bytes());
    struct Row {
        std::string input;
        std::uint32_t pages;
        std::int32_t payload, extra, width;  // width 0: wav_zrc_mkheader
        Bytes from56;
    };
    for (const Row& r : {Row{in8k8, 40, 0, 0, 0, {10, 0, 0x10, 0x02, 1, 11, 3}}, Row{in8k8, 0, 0, 0, 0, {10, 0, 0x10, 0x02, 1, 11, 3}},
                         Row{in11k, 108, 512, 0, 2, {20, 0, 0x10, 0x02, 1, 11, 3}}, Row{in11k, 1, 512, 0, 3, {0, 0, 0x10, 0x02, 0, 11, 3}},
                         Row{in11k, 1, 512, 0, 4, {0, 0, 0x10, 0x02, 0, 11, 4}}, Row{in8k, 1, 512, 0, 2, {0, 0, 0x10, 0x02, 1, 11, 3}},
                         Row{odd, 30, 100, 3, 3, {8, 0, 0x10, 0x02, 0, 11, 3}}}) {
        const std::uint32_t size = 92 + 528 * r.pages;
        ASSERT_EQ(r.width == 0 ? wav_zrc_mkheader(r.input.c_str(), zrc().c_str(), size)
                               : wav_zrc_mkheader_f(r.input.c_str(), zrc().c_str(), size, r.payload, r.extra, r.width), 0);
        const Bytes h = read(zrc());
        EXPECT_EQ(Bytes(h.begin() + 56, h.begin() + 63), r.from56) << r.input << " width " << r.width;
        EXPECT_EQ(Bytes(h.begin() + 63, h.begin() + 71), (Bytes{0xFE, 0x01, 0, 7, 2, 0xFF, 0x01, 4}));
        EXPECT_EQ(test::le32At(h, 75), r.pages);
        EXPECT_EQ(test::le32At(h, 88), 528 * r.pages);
        EXPECT_EQ(test::le32At(h, 4), size - 8);
    }
}

// A refused call leaves the recording created empty (header writers) or
// untouched (encoders). Every layout the encoder refuses, the header writer
// refuses before it writes a byte: a header for pages never written
// describes a recording no reader can play.
TEST_F(EncodeExportsTest, Refusals) {
    const auto good = WavFile::pcm16(11025, saw(2000)).bytes();
    const auto g = wav(good), nd = wav(with(good, {{36, 'D'}})), b24 = wav(with(good, {{34, 24}})), zb = wav(with(good, {{34, 0}}));
    const auto r22k = wav(WavFile::pcm16(22050, saw(100)).bytes()), r0 = wav(WavFile::pcm16(0, saw(100)).bytes());
    const auto absent = m_dir.file("absent.wav").string(), folder = m_dir.path().string();
    using Call = std::function<std::int32_t(const char*)>;
    const auto mk = [](std::string w, std::int32_t bytes = 0, std::int32_t bits = 0, std::int32_t width = 0) -> Call {
        return [=](const char* z) { return width == 0 ? wav_zrc_mkheader(w.c_str(), z, 620) : wav_zrc_mkheader_f(w.c_str(), z, 620, bytes, bits, width); };
    };
    const auto enc = [](std::string w, std::int32_t bytes = 0, std::int32_t bits = 0, std::int32_t width = 0) -> Call {
        return [=](const char* z) { return width == 0 ? wav_zrc_encoder(w.c_str(), z, 0, 1) : wav_zrc_encoder_f(w.c_str(), z, 0, 1, bytes, bits, width); };
    };
    struct Row { Call call; std::int32_t result; bool emptied; };
    std::vector<Row> rows = {{mk(absent), 1, true}, {mk(folder, 512, 0, 3), 1, true}, {mk(nd), 3, true}, {mk(zb), 3, true},
                             {mk(r22k), 3, true}, {mk(nd, 512, 0, 3), 3, true}, {mk(zb, 512, 0, 3), 3, true}, {mk(r0, 512, 0, 3), 3, true},
                             {enc(b24), 5, false}, {enc(nd), 6, false}, {enc(r22k), 0, false} /* done, nothing encoded */,
                             {enc(b24, 512, 0, 3), 5, false}, {enc(nd, 512, 0, 3), 6, false}, {enc(g, 512, 1, 5), 3, false},
                             {enc(absent), 1, false}, {enc(folder, 512, 0, 3), 1, false}};
    for (auto [bytes, bits, width, encResult] : std::vector<std::array<std::int32_t, 4>>{
             {512, 0, 0x10000, 4}, {512, 0, 1, 4}, {512, 0, 5, 4}, {512, 0, 0xFFFF, 4}, {1000, 0, 3, 3}, {512, 1, 2, 3}, {0, 2, 3, 3}, {0, 0, 4, 3}}) {
        rows.push_back({mk(g, bytes, bits, width), 3, true});
        rows.push_back({enc(g, bytes, bits, width), encResult, false});
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
        test::writeFile(zrc(), Bytes(92, 0xAB));
        EXPECT_EQ(rows[k].call(zrc().c_str()), rows[k].result) << "row " << k;
        EXPECT_EQ(read(zrc()), rows[k].emptied ? Bytes{} : Bytes(92, 0xAB)) << "row " << k;
    }
    EXPECT_EQ(mk(r22k, 512, 0, 3)(zrc().c_str()), 0) << "any other rate is taken";
    // Nowhere to write, or the WAV file itself by any name (links included).
    fs::create_hard_link(g, m_dir.file("hard.zrc"));
    for (const std::string& bad : {m_dir.file("no/dir.zrc").string(), folder, g, (m_dir.path() / "." / fs::path(g).filename()).string(),
                                   m_dir.file("hard.zrc").string()}) {
        EXPECT_EQ(mk(g)(bad.c_str()) + mk(g, 512, 0, 3)(bad.c_str()) + enc(g)(bad.c_str()) + enc(g, 512, 0, 3)(bad.c_str()), 8)
            << "2 from each: " << bad;
    }
    EXPECT_EQ(read(g), good);
}

// Any split of the pages into calls gives the bytes of one call; only the
// layout counts: 511 bytes and 4 bits of 2-bit codes are the recorder's
// 8,000 Hz pages; a 3-bit page has flag 0.
TEST_F(EncodeExportsTest, PageRangesGiveTheBytesOfOneCall) {
    const Bytes a = WavFile::pcm16(11025, saw(5 * 1360 - 7)).bytes(), b = WavFile::pcm16(8000, saw(5 * 2046 - 7)).bytes();
    EXPECT_EQ(encode(a, {{0, 3}, {3, 2}}), encode(a, {{0, 5}}));
    EXPECT_EQ(encode(b, {{0, 3}, {3, 2}}), encode(b, {{0, 5}}));
    EXPECT_EQ(encode(a, {{0, 5}}).size(), 5u * 528);
    EXPECT_EQ(encode(b, {{0, 1}, {1, 1}, {2, 1}, {3, 1}}, {400, 0, 4}), encode(b, {{0, 4}}, {400, 0, 4}));
    EXPECT_EQ(encode(b, {{0, 2}}, {511, 4, 2}), encode(b, {{0, 2}}));
    EXPECT_EQ(encode(b, {{0, 1}}, {512, 0, 3}).at(512), 0);
}

// The samples follow the first "data" anywhere, here inside a LIST chunk.
// Past their end, 11,025 Hz input gives codes of all ones (1,000 codes fill
// 375 bytes); otherwise silence is encoded (128 for 8-bit samples), as from
// an input holding the silence itself.
TEST_F(EncodeExportsTest, WhereTheSamplesAreAndPastTheirEnd) {
    Bytes listed = WavFile::pcm16(11025, saw(1360)).bytes();
    const char list[] = "LIST\xAC\x0A\x00\x00INFO";
    listed.insert(listed.begin() + 36, list, list + 12);
    EXPECT_EQ(encode(listed, {{0, 1}}), encode(WavFile::pcm16(11025, saw(1360)).bytes(), {{0, 1}}));
    const auto x = saw(2 * 1360);
    const Bytes full = encode(WavFile::pcm16(11025, x).bytes(), {{0, 1}}), cut = encode(WavFile::pcm16(11025, {x.begin(), x.begin() + 1000}).bytes(), {{0, 2}});
    const auto allOnes = [](auto from, auto to) { return std::all_of(from, to, [](std::uint8_t v) { return v == 0xFF; }); };
    EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + 375, full.begin()));
    EXPECT_TRUE(allOnes(cut.begin() + 375, cut.begin() + 510) && allOnes(cut.begin() + 528, cut.begin() + 528 + 510));
    std::vector<std::int16_t> padded(x.begin(), x.begin() + 1500);
    padded.resize(2 * 2046, 0);
    EXPECT_EQ(encode(WavFile::pcm16(8000, {x.begin(), x.begin() + 1500}).bytes(), {{0, 2}}), encode(WavFile::pcm16(8000, padded).bytes(), {{0, 2}}));
    const Bytes u8 = test::pattern(700);
    auto u8Padded = u8;
    u8Padded.resize(3 * 1024, 128);
    EXPECT_EQ(encode(WavFile::pcm8(11025, u8).bytes(), {{0, 3}}, {512, 0, 4}), encode(WavFile::pcm8(11025, u8Padded).bytes(), {{0, 3}}, {512, 0, 4}));
}

TEST_F(EncodeExportsTest, AFullDiskIsReported) {
    const auto in = wav(WavFile::pcm16(11025, saw(2000)).bytes());
    {
        test::FileSizeLimit limit(50);  // not even the header fits
        EXPECT_EQ(wav_zrc_mkheader(in.c_str(), zrc().c_str(), 620), 4);
        EXPECT_EQ(wav_zrc_mkheader_f(in.c_str(), zrc().c_str(), 620, 512, 0, 3), 4);
    }
    ASSERT_EQ(wav_zrc_mkheader(in.c_str(), zrc().c_str(), 620), 0);
    test::FileSizeLimit limit(600);  // the header, but not a whole page after it
    EXPECT_EQ(wav_zrc_encoder(in.c_str(), zrc().c_str(), 0, 2), 7);
    EXPECT_EQ(wav_zrc_encoder_f(in.c_str(), zrc().c_str(), 0, 2, 512, 0, 3), 7);
}

}  // namespace
}  // namespace zrc
