// Making recordings through the library's C exports: the WAV checks and
// their size predictions, the header writers, the encoders and their page
// ranges, and the refusals of each.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "file_size_limit.h"
#include "pagecodec.h"
#include "test_files.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

namespace fs = std::filesystem;
using test::WavFile;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::int16_t> noise(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::int16_t> x(n);
    int v = 0;
    for (auto& s : x) s = static_cast<std::int16_t>(v = std::clamp(v + static_cast<int>(rng() % 3001) - 1500, -20000, 20000));
    return x;
}

// A WAV file whose data chunk claims dataSize bytes (the checks read only
// the size field).
Bytes claiming(std::uint32_t rate, std::uint16_t bits, std::uint32_t dataSize) {
    WavFile w;
    w.sampleRate = rate;
    w.bitsPerSample = bits;
    w.data.assign(dataSize, 0);
    return w.bytes();
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
    // wav_zrc_check for width 0, else wav_zrc_check_f.
    std::int32_t check(const Bytes& bytes, std::int32_t width = 0, std::int32_t payload = 512, std::int32_t extra = 0) {
        return width == 0 ? wav_zrc_check(wav(bytes).c_str()) : wav_zrc_check_f(wav(bytes).c_str(), payload, extra, width);
    }

    test::TempDir m_dir;
    int m_count = 0;
};

TEST_F(EncodeExportsTest, PredictedSizes) {
    Bytes maxSize16 = claiming(11025, 16, 0), maxSize8 = claiming(8000, 8, 0);
    std::memset(maxSize16.data() + 40, 0xFF, 4);  // as streaming writers leave it: no 32-bit wrap
    std::memset(maxSize8.data() + 40, 0xFF, 4);
    Bytes listFirst = claiming(11025, 16, 27200);  // a LIST chunk holding "data" and 16 comes first
    const Bytes list = {'L', 'I', 'S', 'T', 8, 0, 0, 0, 'd', 'a', 't', 'a', 16, 0, 0, 0};
    listFirst.insert(listFirst.begin() + 36, list.begin(), list.end());
    Bytes far = claiming(8000, 8, 0);  // the tag across the reader's first 16 KiB block
    far.resize(36);
    far.resize(16384 - 2, 0);
    far.insert(far.end(), {'d', 'a', 't', 'a', 0xFE, 0x07, 0, 0});
    Bytes cutTag = claiming(11025, 16, 0);  // the size bytes past the end read as 0
    cutTag.resize(42);
    cutTag[40] = 0x40, cutTag[41] = 0x6A;
    struct Row {
        const char* what;
        Bytes wav;
        std::int32_t width, payload, extra, expected;
    };
    const std::vector<Row> rows = {
        {"13,600 16-bit at 11,025 Hz", claiming(11025, 16, 27200), 0, 0, 0, 5372},
        {"2,046 8-bit at 8,000 Hz", claiming(8000, 8, 2046), 0, 0, 0, 1148},
        {"1,359 8-bit: 5 bits left lift it to two pages", claiming(11025, 8, 1359), 0, 0, 0, 1148},
        {"1,360 8-bit", claiming(11025, 8, 1360), 0, 0, 0, 620},
        {"no samples", claiming(11025, 16, 0), 0, 0, 0, 92},
        {"no samples, caller's layout", claiming(11025, 16, 0), 3, 512, 0, 620},
        {"4,095 bits of 3-bit codes, one more page", claiming(8000, 16, 2730), 3, 512, 0, 1148},
        {"2,730 bits of 2-bit codes", claiming(8000, 16, 2730), 2, 512, 0, 620},
        {"13 full 4-bit pages", claiming(11025, 16, 27200), 4, 512, 0, 92 + 14 * 528},
        {"low 16 bits of each layout argument", claiming(8000, 16, 2730), 0x30003, 0x10000 + 512, 0x20000, 1148},
        {"4 GB of 16-bit samples", maxSize16, 0, 0, 0, 833729516},
        {"4 GB of 8-bit samples at width 4", maxSize8, 4, 512, 0, 9},
        {"one code a page", claiming(11025, 16, 27200), 3, 0, 3, 92 + 13601 * 528},
        {"data tag inside a LIST chunk", listFirst, 0, 0, 0, 620},
        {"data tag across a block", far, 0, 0, 0, 1148},
        {"data tag cut by the end", cutTag, 0, 0, 0, 5372},
    };
    for (const Row& r : rows) EXPECT_EQ(check(r.wav, r.width, r.payload, r.extra), r.expected) << r.what;
}

TEST_F(EncodeExportsTest, CheckResultsInTheirOrder) {
    struct Row {
        const char* what;
        std::function<void(Bytes&)> change;
        std::int32_t expected;
    };
    const std::vector<Row> rows = {
        {"valid", [](auto&) {}, 5372},
        {"RIFF tag not examined", [](auto& b) { std::memcpy(b.data(), "XXXX", 4); }, 5372},
        {"empty", [](auto& b) { b.clear(); }, 2},
        {"not WAVE", [](auto& b) { b[10] = 'v'; }, 2},
        {"22,050 Hz stereo: the rate first", [](auto& b) { b[24] = 0x22, b[25] = 0x56, b[22] = 2; }, 3},
        {"11,025 plus a high byte", [](auto& b) { b[27] = 1; }, 3},
        {"stereo and float", [](auto& b) { b[22] = 2, b[20] = 3; }, 4},
        {"channel count high byte not read", [](auto& b) { b[23] = 1; }, 5372},
        {"float", [](auto& b) { b[20] = 3; }, 5},
        {"format high byte", [](auto& b) { b[21] = 1; }, 5},
        {"no data tag and 24 bits", [](auto& b) { b[36] = 'D', b[34] = 24; }, 6},
        {"24 bits", [](auto& b) { b[34] = 24; }, 7},
        {"0 bits", [](auto& b) { b[34] = 0; }, 7},
    };
    for (const Row& r : rows) {
        auto bytes = claiming(11025, 16, 27200);
        r.change(bytes);
        EXPECT_EQ(check(bytes), r.expected) << r.what;
        EXPECT_EQ(check(bytes, 3, 510), r.expected == 5372 ? 92 + 11 * 528 : r.expected) << r.what;
        EXPECT_EQ(check(bytes, 5, 512, 1), r.expected == 5372 ? 8 : r.expected) << "the layout is tested last: " << r.what;
    }
    for (auto [payload, extra, width] : {std::tuple{512, 0, 1}, {512, 0, 16}, {0, 0, 2}, {0, 2, 3}, {512, 1, 3}}) {
        EXPECT_EQ(check(claiming(11025, 16, 27200), width, payload, extra), 8) << payload << " " << extra << " " << width;
    }
    EXPECT_EQ(wav_zrc_check(m_dir.file("absent.wav").string().c_str()), 1);
}

TEST_F(EncodeExportsTest, FieldReaders) {
    auto bytes = claiming(22050, 24, 10);
    EXPECT_EQ(wav_samplef(wav(bytes).c_str()), 22050u);
    EXPECT_EQ(wav_bitmode(wav(bytes).c_str()), 24);
    bytes[27] = 0x80;
    EXPECT_EQ(wav_samplef(wav(bytes).c_str()), 0x80005622u) << "unchecked";
    EXPECT_EQ(wav_samplef(m_dir.file("absent.wav").c_str()), 0u);
    bytes.resize(30);
    EXPECT_EQ(wav_bitmode(wav(bytes).c_str()), 0) << "no byte 34";
    bytes.resize(27);
    EXPECT_EQ(wav_samplef(wav(bytes).c_str()), 0u) << "no whole rate field";
}

TEST_F(EncodeExportsTest, HeaderOfTheRecordersLayout) {
    // 13,600 samples: 10 pages, 217,600 / 11,025 = 19, 19 / 16 = 1 second.
    const auto in = wav(WavFile::pcm16(11025, noise(13600, 1)).bytes());
    ASSERT_EQ(wav_zrc_mkheader(in.c_str(), zrc().c_str(), 5372), 0);
    Bytes expected = {'Q', 'I', 'F', 'F', 0xF4, 0x14, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 64, 0, 0, 0};
    expected.resize(56, 0xFF);
    expected.insert(expected.end(), {1, 0, 0x10, 0x02, 0, 11, 3, 0xFE, 0x01, 0, 7, 2, 0xFF, 0x01, 4, 1, 0, 0, 0,
                                     10, 0, 0, 0, 0, 0, 0, 0, 0xFF, 'd', 'a', 't', 'a', 0xA0, 0x14, 0, 0});
    EXPECT_EQ(read(zrc()), expected);
    // 80,000 8-bit samples at 8,000 Hz: mode 1, 40 pages, 10 seconds.
    const auto in8k = wav(WavFile::pcm8(8000, Bytes(80000, 128)).bytes());
    ASSERT_EQ(wav_zrc_mkheader(in8k.c_str(), zrc().c_str(), 92 + 40 * 528), 0);
    const Bytes h = read(zrc());
    EXPECT_EQ(Bytes(h.begin() + 56, h.begin() + 63), (Bytes{10, 0, 0x10, 0x02, 1, 11, 3}));
    EXPECT_EQ(test::le32At(h, 75), 40u);
    EXPECT_EQ(test::le32At(h, 88), 40u * 528);
    ASSERT_EQ(wav_zrc_mkheader(in8k.c_str(), zrc().c_str(), 92), 0);
    EXPECT_EQ(play_splpget(zrc().c_str()).pageCount, 0u);
    EXPECT_EQ(test::le32At(read(zrc()), 4), 84u);
}

// The parameter sets stay the recorder's whatever the layout and rate;
// width 2 gives mode 1, width 4 a set 0 of width 4. 108 pages of 2,048
// codes at 11,025 Hz are 20 seconds; 8,030 codes at 1,000 Hz 8.
TEST_F(EncodeExportsTest, HeaderOfTheCallersLayout) {
    const auto in = wav(WavFile::pcm16(11025, noise(220500, 2)).bytes());
    const auto in8k = wav(WavFile::pcm16(8000, noise(8000, 5)).bytes());
    const auto odd = wav(WavFile::pcm16(1000, noise(10, 3)).bytes());
    struct Row {
        std::string input;
        std::uint32_t size;
        std::int32_t payload, extra, width;
        Bytes from56;
    };
    for (const Row& r : {Row{in, 92 + 108 * 528, 512, 0, 2, {20, 0, 0x10, 0x02, 1, 11, 3}},
                         Row{in, 620, 512, 0, 3, {0, 0, 0x10, 0x02, 0, 11, 3}}, Row{in, 620, 512, 0, 4, {0, 0, 0x10, 0x02, 0, 11, 4}},
                         Row{in8k, 620, 512, 0, 2, {0, 0, 0x10, 0x02, 1, 11, 3}}, Row{odd, 92 + 30 * 528, 100, 3, 3, {8, 0, 0x10, 0x02, 0, 11, 3}}}) {
        ASSERT_EQ(wav_zrc_mkheader_f(r.input.c_str(), zrc().c_str(), r.size, r.payload, r.extra, r.width), 0);
        const Bytes h = read(zrc());
        EXPECT_EQ(Bytes(h.begin() + 56, h.begin() + 63), r.from56) << r.input << " width " << r.width;
        EXPECT_EQ(Bytes(h.begin() + 63, h.begin() + 71), (Bytes{0xFE, 0x01, 0, 7, 2, 0xFF, 0x01, 4}));
    }
}

// A refused call leaves the recording as the row says: created empty by the
// header writers, untouched by the encoders.
TEST_F(EncodeExportsTest, Refusals) {
    const auto good = WavFile::pcm16(11025, noise(2000, 4)).bytes();
    auto noData = good, bits24 = good, zeroBits = good;
    noData[36] = 'D';
    bits24[34] = 24;
    zeroBits[34] = 0;
    const auto absent = m_dir.file("absent.wav").string(), folder = m_dir.path().string();
    const auto g = wav(good), nd = wav(noData), b24 = wav(bits24), zb = wav(zeroBits);
    const auto r22k = wav(WavFile::pcm16(22050, noise(100, 4)).bytes()), r0 = wav(WavFile::pcm16(0, noise(100, 4)).bytes());
    using Call = std::function<std::int32_t(const char*)>;
    const auto mk = [](std::string w) -> Call { return [=](const char* z) { return wav_zrc_mkheader(w.c_str(), z, 620); }; };
    const auto mkF = [](std::string w, std::int32_t bytes, std::int32_t bits, std::int32_t width) -> Call {
        return [=](const char* z) { return wav_zrc_mkheader_f(w.c_str(), z, 620, bytes, bits, width); };
    };
    const auto enc = [](std::string w) -> Call { return [=](const char* z) { return wav_zrc_encoder(w.c_str(), z, 0, 1); }; };
    const auto encF = [](std::string w, std::int32_t bytes, std::int32_t bits, std::int32_t width) -> Call {
        return [=](const char* z) { return wav_zrc_encoder_f(w.c_str(), z, 0, 1, bytes, bits, width); };
    };
    struct Row {
        const char* what;
        Call call;
        std::int32_t result;
        bool emptied;  // else untouched
    };
    std::vector<Row> rows = {
        {"header, no WAV file", mk(absent), 1, true}, {"header_f, WAV is a folder", mkF(folder, 512, 0, 3), 1, true},
        {"header, no data tag", mk(nd), 3, true},      {"header, 0 bits", mk(zb), 3, true},
        {"header, 22,050 Hz", mk(r22k), 3, true},       {"header_f, no data tag", mkF(nd, 512, 0, 3), 3, true},
        {"header_f, 0 bits", mkF(zb, 512, 0, 3), 3, true}, {"header_f, rate 0", mkF(r0, 512, 0, 3), 3, true},
        {"encoder, 24 bits", enc(b24), 5, false},        {"encoder, no data tag", enc(nd), 6, false},
        {"encoder, 22,050 Hz: done, nothing encoded", enc(r22k), 0, false},
        {"encoder_f, 24 bits", encF(b24, 512, 0, 3), 5, false}, {"encoder_f, no data tag", encF(nd, 512, 0, 3), 6, false},
        {"encoder_f, payload tested before width", encF(g, 512, 1, 5), 3, false},
        {"encoder, no WAV file", enc(absent), 1, false}, {"encoder_f, WAV is a folder", encF(folder, 512, 0, 3), 1, false},
    };
    // Every layout the encoder refuses, the header writer refuses before it
    // writes a byte: a header for pages never written describes a recording
    // no reader can play.
    for (auto [bytes, bits, width, encResult] : std::vector<std::array<std::int32_t, 4>>{
             {512, 0, 0, 4}, {512, 0, 1, 4}, {512, 0, 5, 4}, {512, 0, 0xFFFF, 4}, {512, 0, 0x10000, 4},
             {1000, 0, 3, 3}, {512, 1, 2, 3}, {0, 2, 3, 3}, {0, 0, 4, 3}}) {
        rows.push_back({"layout, header", mkF(g, bytes, bits, width), 3, true});
        rows.push_back({"layout, encoder", encF(g, bytes, bits, width), encResult, false});
    }
    const Bytes before(92, 0xAB);
    for (const Row& r : rows) {
        test::writeFile(zrc(), before);
        EXPECT_EQ(r.call(zrc().c_str()), r.result) << r.what;
        EXPECT_EQ(read(zrc()), r.emptied ? Bytes{} : before) << r.what;
    }
    EXPECT_EQ(mkF(r22k, 512, 0, 3)(zrc().c_str()), 0) << "any other rate is taken";
    for (const std::string& bad : {m_dir.file("no/dir.zrc").string(), folder}) {
        EXPECT_EQ(mk(g)(bad.c_str()), 2) << bad;
        EXPECT_EQ(enc(g)(bad.c_str()), 2) << bad;
        EXPECT_EQ(encF(g, 512, 0, 3)(bad.c_str()), 2) << bad;
    }
}

TEST_F(EncodeExportsTest, PageRangesGiveTheBytesOfOneCall) {
    for (const Bytes& input : {WavFile::pcm16(11025, noise(5 * 1360 - 7, 6)).bytes(), WavFile::pcm16(8000, noise(5 * 2046 - 7, 7)).bytes()}) {
        const auto in = wav(input);
        fs::remove(zrc("one.zrc"));
        fs::remove(zrc("two.zrc"));
        ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("one.zrc").c_str(), 0, 5), 0);
        ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("two.zrc").c_str(), 0, 3), 0);
        ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("two.zrc").c_str(), 3, 2), 0);
        EXPECT_EQ(read(zrc("one.zrc")).size(), 2640u);
        EXPECT_EQ(read(zrc("two.zrc")), read(zrc("one.zrc")));
    }
    const auto in = wav(WavFile::pcm16(8000, noise(3000, 8)).bytes());
    ASSERT_EQ(wav_zrc_encoder_f(in.c_str(), zrc("f1.zrc").c_str(), 0, 4, 400, 0, 4), 0);
    for (std::uint32_t p = 0; p < 4; ++p) ASSERT_EQ(wav_zrc_encoder_f(in.c_str(), zrc("f2.zrc").c_str(), p, 1, 400, 0, 4), 0);
    EXPECT_EQ(read(zrc("f2.zrc")), read(zrc("f1.zrc")));
    EXPECT_EQ(read(zrc("f1.zrc")).size(), 4u * 528);
    // Only the layout counts: 511 bytes and 4 bits of 2-bit codes are the
    // recorder's 8,000 Hz pages; a 3-bit page has flag 0.
    ASSERT_EQ(wav_zrc_encoder(in.c_str(), zrc("fixed.zrc").c_str(), 0, 2), 0);
    ASSERT_EQ(wav_zrc_encoder_f(in.c_str(), zrc("free.zrc").c_str(), 0, 2, 511, 4, 2), 0);
    EXPECT_EQ(read(zrc("free.zrc")), read(zrc("fixed.zrc")));
    ASSERT_EQ(wav_zrc_encoder_f(in.c_str(), zrc("w3.zrc").c_str(), 0, 1, 512, 0, 3), 0);
    EXPECT_EQ(read(zrc("w3.zrc"))[512], 0);
}

// Past the end of 11,025 Hz input the codes are all ones and leave the
// state alone; otherwise silence is encoded (128 for 8-bit samples), so the
// file equals that of an input holding the silence itself.
TEST_F(EncodeExportsTest, PastTheEndOfTheInput) {
    const auto x = noise(2 * 1360, 9);
    ASSERT_EQ(wav_zrc_encoder(wav(WavFile::pcm16(11025, x).bytes()).c_str(), zrc("full.zrc").c_str(), 0, 1), 0);
    ASSERT_EQ(wav_zrc_encoder(wav(WavFile::pcm16(11025, {x.begin(), x.begin() + 1000}).bytes()).c_str(), zrc("cut.zrc").c_str(), 0, 2), 0);
    const Bytes full = read(zrc("full.zrc")), cut = read(zrc("cut.zrc"));
    const auto allOnes = [](auto from, auto to) { return std::all_of(from, to, [](std::uint8_t b) { return b == 0xFF; }); };
    EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + 375, full.begin())) << "1,000 codes fill 375 bytes";
    EXPECT_TRUE(allOnes(cut.begin() + 375, cut.begin() + 510)) << "the codes past the end";
    EXPECT_TRUE(allOnes(cut.begin() + 528, cut.begin() + 528 + 510));

    std::vector<std::int16_t> padded(x.begin(), x.begin() + 1500);
    padded.resize(2 * 2046, 0);
    ASSERT_EQ(wav_zrc_encoder(wav(WavFile::pcm16(8000, {x.begin(), x.begin() + 1500}).bytes()).c_str(), zrc("a.zrc").c_str(), 0, 2), 0);
    ASSERT_EQ(wav_zrc_encoder(wav(WavFile::pcm16(8000, padded).bytes()).c_str(), zrc("b.zrc").c_str(), 0, 2), 0);
    EXPECT_EQ(read(zrc("a.zrc")), read(zrc("b.zrc")));
    Bytes u8(700);
    for (std::size_t k = 0; k < u8.size(); ++k) u8[k] = static_cast<std::uint8_t>(128 + (k % 50) - 25);
    auto u8Padded = u8;
    u8Padded.resize(3 * 1024, 128);
    ASSERT_EQ(wav_zrc_encoder_f(wav(WavFile::pcm8(11025, u8).bytes()).c_str(), zrc("c.zrc").c_str(), 0, 3, 512, 0, 4), 0);
    ASSERT_EQ(wav_zrc_encoder_f(wav(WavFile::pcm8(11025, u8Padded).bytes()).c_str(), zrc("d.zrc").c_str(), 0, 3, 512, 0, 4), 0);
    EXPECT_EQ(read(zrc("c.zrc")), read(zrc("d.zrc")));
}

TEST_F(EncodeExportsTest, AFullDiskIsReported) {
    const auto in = wav(WavFile::pcm16(11025, noise(2000, 13)).bytes());
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
