// The library's exports against hostile and broken input, as tables: each
// row gives its documented result, creates nothing it should not and leaves
// the input as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
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
using test::ZrcBuilder;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::int16_t> tone(std::size_t n) {
    std::vector<std::int16_t> x(n);
    for (std::size_t k = 0; k < n; ++k) x[k] = static_cast<std::int16_t>(8000 * std::sin(0.07 * double(k)));
    return x;
}

const Bytes kRecording = ZrcBuilder().page(Bytes(1360, 1), 3, 0).page(Bytes(1360, 6), 3, 0).bytes();

class BadInputTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return path(name);
    }
    std::string path(const std::string& name) const { return m_dir.file(name).string(); }
    test::TempDir m_dir;
};

// A folder opens but does not read: every reader says it cannot open it,
// and writes nothing.
TEST_F(BadInputTest, AFolderAsInput) {
    fs::create_directory(m_dir.file("in"));
    const std::string in = path("in"), out = path("out.wav"), made = path("made.zrc");
    Bytes page(528, 0x5A), table(2, 0x5A);
    EXPECT_EQ(play_splpget(in.c_str()).pageCount, 1u);
    EXPECT_EQ(play_1pagerd(in.c_str(), 0, page.data()) + pb_splptblmk(in.c_str(), table.data(), 2), 2);
    EXPECT_EQ(page, Bytes(528, 0x5A));
    EXPECT_EQ(table, Bytes(2, 0x5A));
    EXPECT_EQ(AdpcmDec1(in.c_str(), out.c_str(), 2, 0, 0, nullptr, 0), 37);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(wav_zrc_check(in.c_str()) + wav_zrc_check_f(in.c_str(), 512, 0, 3), 2);
    EXPECT_EQ(wav_samplef(in.c_str()) + static_cast<std::uint32_t>(wav_bitmode(in.c_str())), 0u);
    EXPECT_EQ(wav_zrc_mkheader(in.c_str(), made.c_str(), 620), 1);  // made empty first
    EXPECT_EQ(wav_zrc_encoder(in.c_str(), made.c_str(), 0, 1) + wav_zrc_encoder_f(in.c_str(), made.c_str(), 0, 1, 512, 0, 3), 2);
    EXPECT_EQ(fs::file_size(made), 0u);
}

// Bytes a short file lacks read as 0xFF: header mode 255 has no WAV format;
// without only the top byte of the data size it is a header with no pages.
TEST_F(BadInputTest, WholeFileDecodingOfBrokenHeaders) {
    const auto cut = [](std::ptrdiff_t n) { return Bytes(kRecording.begin(), kRecording.begin() + n); };
    const auto with = [](std::size_t at, std::uint8_t v) { Bytes b = kRecording; b[at] = v; return b; };
    for (const auto& [bytes, result] : std::vector<std::pair<Bytes, std::int32_t>>{
             {cut(0), 3}, {cut(4), 3}, {cut(60), 3}, {cut(91), 0}, {with(60, 3), 3}, {with(61, 9), 3}, {with(62, 5), 3}}) {
        Bytes headers(136, 0x5A);
        const std::string rec = write("rec.zrc", bytes);
        fs::remove(m_dir.file("out.wav"));
        EXPECT_EQ(AdpcmDec1(rec.c_str(), path("out.wav").c_str(), 2, 0, 0, headers.data(), 0), result) << bytes.size();
        EXPECT_EQ(fs::exists(m_dir.file("out.wav")), result == 0) << bytes.size();
        EXPECT_TRUE(result == 0 || headers == Bytes(136, 0x5A)) << "headers of a refused call";
        EXPECT_EQ(test::readFile(rec), bytes);
    }
}

// Page i of 256 with flag i: one parameter set for all, whatever the flag.
TEST_F(BadInputTest, WholeFileDecodingIgnoresEveryPageFlag) {
    ZrcBuilder flagged, plain;
    for (int flag = 0; flag < 256; ++flag) {
        flagged.page(Bytes(1360, static_cast<std::uint8_t>(flag % 8)), 3, static_cast<std::uint8_t>(flag));
        plain.page(Bytes(1360, static_cast<std::uint8_t>(flag % 8)), 3, 0);
    }
    for (const auto& [name, rec] : {std::pair{"flagged", flagged.bytes()}, std::pair{"plain", plain.bytes()}}) {
        ASSERT_EQ(AdpcmDec1(write(std::string(name) + ".zrc", rec).c_str(), path(std::string(name) + ".wav").c_str(), 2, 0, 0, nullptr, 0), 256);
        ASSERT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 255, nullptr, 1), 1360);
    }
    EXPECT_EQ(test::readFile(path("flagged.wav")), test::readFile(path("plain.wav")));
}

// No data chunk: a LIST chunk holds the text "data", a size and the
// samples. The first "data" anywhere counts, for the encoder too.
TEST_F(BadInputTest, DataTagOnlyInsideAnotherChunk) {
    Bytes bytes = WavFile::pcm16(11025, tone(1360)).bytes();
    const char list[] = "LIST\xAC\x0A\x00\x00INFO";
    bytes.insert(bytes.begin() + 36, list, list + 12);
    const std::string wav = write("in.wav", bytes), plain = write("plain.wav", WavFile::pcm16(11025, tone(1360)).bytes());
    for (const auto& [w, z] : {std::pair{wav, path("out.zrc")}, {plain, path("plain.zrc")}}) {
        ASSERT_EQ(wav_zrc_mkheader(w.c_str(), z.c_str(), 620), 0);
        ASSERT_EQ(wav_zrc_encoder(w.c_str(), z.c_str(), 0, 1), 0);
    }
    EXPECT_EQ(test::readFile(path("out.zrc")), test::readFile(path("plain.zrc")));
    EXPECT_EQ(test::readFile(wav), bytes);
}

TEST_F(BadInputTest, ARecordingIsNeverMadeOverItsWavFile) {
    const Bytes wavBytes = WavFile::pcm16(11025, tone(3000)).bytes();
    const std::string wav = write("in.wav", wavBytes);
    fs::create_hard_link(m_dir.file("in.wav"), m_dir.file("hard.zrc"));
    for (const std::string& same : {wav, (m_dir.path() / "." / "in.wav").string(), path("hard.zrc")}) {
        EXPECT_EQ(wav_zrc_mkheader(wav.c_str(), same.c_str(), 1148), 2) << same;
        EXPECT_EQ(wav_zrc_mkheader_f(wav.c_str(), same.c_str(), 1148, 512, 0, 3), 2) << same;
        EXPECT_EQ(wav_zrc_encoder(wav.c_str(), same.c_str(), 0, 2), 2) << same;
        EXPECT_EQ(wav_zrc_encoder_f(wav.c_str(), same.c_str(), 0, 2, 512, 0, 3), 2) << same;
        EXPECT_EQ(test::readFile(wav), wavBytes) << same;
    }
}

// Not even the header fits: no file is left. The header and part of the
// first page: the call fails, and the header tells the whole samples that
// reached the file rather than the two pages the header call announced.
TEST_F(BadInputTest, WholeFileDecodingOnAFullDisk) {
    const std::string rec = write("rec.zrc", kRecording), wav = path("out.wav");
    const auto limited = [](std::size_t bytes, const char* r, const char* w, int first, int last, int mode) {
        test::FileSizeLimit limit(bytes);
        return AdpcmDec1(r, w, 2, first, last, nullptr, mode);
    };
    EXPECT_EQ(limited(30, rec.c_str(), wav.c_str(), 0, 0, 0), 2);
    EXPECT_FALSE(fs::exists(wav));
    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 2);
    EXPECT_EQ(limited(1001, nullptr, nullptr, 0, 1, 1), 2);
    const Bytes written = test::readFile(wav);
    ASSERT_GE(written.size(), 44u);
    EXPECT_TRUE(written.size() <= 1001 && written.size() % 2 == 0) << written.size();
    EXPECT_EQ(test::le32At(written, 40), written.size() - 44);
    EXPECT_EQ(test::le32At(written, 4), written.size() - 8);
}

// Names in UTF-8, in Latin-1 bytes as an old card's file system gives them,
// with spaces: every export takes them as they are.
TEST_F(BadInputTest, EveryExportTakesTheNameAsItIs) {
    for (const std::string stem : {"voice memo 1", "Besprechung \xC3\xBC", "\xE9\x8C\xB2\xE9\x9F\xB3", "r\xE9union"}) {
        const std::string wav = write(stem + ".wav", WavFile::pcm16(8000, tone(3000)).bytes()), zrc = path(stem + ".zrc");
        ASSERT_EQ(wav_zrc_check(wav.c_str()), 92 + 2 * 528);
        ASSERT_EQ(wav_zrc_mkheader(wav.c_str(), zrc.c_str(), 92 + 2 * 528), 0);
        ASSERT_EQ(wav_zrc_encoder(wav.c_str(), zrc.c_str(), 0, 2), 0);
        EXPECT_EQ(play_splpget(zrc.c_str()).pageCount, 2u);
        Bytes page(528);
        EXPECT_EQ(play_1pagerd(zrc.c_str(), 1, page.data()), 5);
        ASSERT_EQ(AdpcmDec1(zrc.c_str(), path(stem + " (decoded).wav").c_str(), 2, 0, 0, nullptr, 0), 2);
        ASSERT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 1, nullptr, 1), 2046);
        EXPECT_EQ(fs::file_size(m_dir.file(stem + " (decoded).wav")), 44u + 2u * 2338u * 2u);
    }
}

}  // namespace
}  // namespace zrc
