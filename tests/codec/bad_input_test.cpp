// The library's exports against hostile and broken input, as tables: each
// row gives its documented result, creates nothing it should not and leaves
// the input as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
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

// A folder, or (where permissions hold: not for root) a file without read
// permission: every reader says so and writes nothing.
TEST_F(BadInputTest, InputsThatCannotBeOpened) {
    const Bytes wavBytes = WavFile::pcm16(11025, tone(3000)).bytes();
    for (bool folder : {true, false}) {
        if (!folder && ::geteuid() == 0) continue;
        const auto unopenable = [&](const std::string& name, const Bytes& bytes) {
            if (folder) fs::create_directory(m_dir.file(name));
            else fs::permissions(write(name, bytes), fs::perms::owner_write);
            return path(name);
        };
        const std::string rec = unopenable("rec.zrc", kRecording), wav = unopenable("in.wav", wavBytes);
        EXPECT_EQ(play_splpget(rec.c_str()).pageCount, 1u);
        Bytes page(528, 0x5A), table(2, 0x5A);
        EXPECT_EQ(play_1pagerd(rec.c_str(), 0, page.data()), 1);
        EXPECT_EQ(pb_splptblmk(rec.c_str(), table.data(), 2), 1);
        EXPECT_EQ(page, Bytes(528, 0x5A));
        EXPECT_EQ(table, Bytes(2, 0x5A));
        EXPECT_EQ(AdpcmDec1(rec.c_str(), path("out.wav").c_str(), 2, 0, 0, nullptr, 0), 37);
        EXPECT_FALSE(fs::exists(m_dir.file("out.wav")));
        EXPECT_EQ(wav_zrc_check(wav.c_str()), 1);
        EXPECT_EQ(wav_zrc_check_f(wav.c_str(), 512, 0, 3), 1);
        EXPECT_EQ(wav_samplef(wav.c_str()) + static_cast<std::uint32_t>(wav_bitmode(wav.c_str())), 0u);
        EXPECT_EQ(wav_zrc_mkheader(wav.c_str(), path("made.zrc").c_str(), 620), 1);  // made empty first
        EXPECT_EQ(wav_zrc_encoder(wav.c_str(), path("made.zrc").c_str(), 0, 1), 1);
        EXPECT_EQ(wav_zrc_encoder_f(wav.c_str(), path("made.zrc").c_str(), 0, 1, 512, 0, 3), 1);
        EXPECT_EQ(fs::file_size(m_dir.file("made.zrc")), 0u);
        if (!folder) {
            fs::permissions(m_dir.file("rec.zrc"), fs::perms::owner_all);
            fs::permissions(m_dir.file("in.wav"), fs::perms::owner_all);
            EXPECT_EQ(test::readFile(rec), kRecording);
            EXPECT_EQ(test::readFile(wav), wavBytes);
        }
        fs::remove_all(m_dir.file("rec.zrc"));
        fs::remove_all(m_dir.file("in.wav"));
    }
}

// Bytes a short file lacks read as 0xFF: header mode 255 has no WAV format;
// without only the top byte of the data size it is a header with no pages.
TEST_F(BadInputTest, WholeFileDecodingOfBrokenHeaders) {
    struct Row {
        const char* what;
        std::function<void(Bytes&)> damage;
        std::int32_t result;
    };
    for (const Row& r : {Row{"empty", [](Bytes& b) { b.clear(); }, 3}, Row{"4 bytes", [](Bytes& b) { b.resize(4); }, 3},
                         Row{"60 bytes", [](Bytes& b) { b.resize(60); }, 3}, Row{"91 bytes", [](Bytes& b) { b.resize(91); }, 0},
                         Row{"mode 3", [](Bytes& b) { b[60] = 3; }, 3}, Row{"rate code 9", [](Bytes& b) { b[61] = 9; }, 3},
                         Row{"code width 5", [](Bytes& b) { b[62] = 5; }, 3}}) {
        Bytes bytes = kRecording, headers(136, 0x5A);
        r.damage(bytes);
        const std::string rec = write("rec.zrc", bytes);
        fs::remove(m_dir.file("out.wav"));
        EXPECT_EQ(AdpcmDec1(rec.c_str(), path("out.wav").c_str(), 2, 0, 0, headers.data(), 0), r.result) << r.what;
        EXPECT_EQ(fs::exists(m_dir.file("out.wav")), r.result == 0) << r.what;
        if (r.result != 0) { EXPECT_EQ(headers, Bytes(136, 0x5A)) << r.what; }
        EXPECT_EQ(test::readFile(rec), bytes) << r.what;
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

TEST_F(BadInputTest, WavFormatsOutsideTheVoiceFormats) {
    struct Row {
        std::uint32_t rate;
        std::uint16_t bits;
        std::int32_t check, encoder;  // the encoder writes nothing for any of them
    };
    for (const Row& r : {Row{11025, 12, 7, 5}, Row{8000, 32, 7, 5}, Row{44100, 16, 3, 0}}) {
        WavFile w = WavFile::pcm16(r.rate, tone(2000));
        w.bitsPerSample = r.bits;
        const std::string wav = write("in.wav", w.bytes()), zrc = write("out.zrc", {});
        EXPECT_EQ(wav_zrc_check(wav.c_str()), r.check) << r.rate << " " << r.bits;
        EXPECT_EQ(wav_zrc_check_f(wav.c_str(), 512, 0, 3), r.check) << r.rate << " " << r.bits;
        EXPECT_EQ(wav_zrc_encoder(wav.c_str(), zrc.c_str(), 0, 2), r.encoder) << r.rate << " " << r.bits;
        EXPECT_EQ(fs::file_size(zrc), 0u) << r.rate << " " << r.bits;
    }
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
    if (::geteuid() != 0) {  // not even when it cannot be read: the header writer would truncate it
        fs::permissions(m_dir.file("in.wav"), fs::perms::owner_write);
        EXPECT_EQ(wav_zrc_mkheader(wav.c_str(), wav.c_str(), 1148), 1);
        fs::permissions(m_dir.file("in.wav"), fs::perms::owner_all);
        EXPECT_EQ(test::readFile(wav), wavBytes);
    }
}

// Not even the header fits: no file is left. The header and part of the
// first page: the call fails, and the header tells the whole samples that
// reached the file rather than the two pages the header call announced.
TEST_F(BadInputTest, WholeFileDecodingOnAFullDisk) {
    const std::string rec = write("rec.zrc", kRecording), wav = path("out.wav");
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
    EXPECT_LE(written.size(), 1001u);
    EXPECT_EQ(written.size() % 2, 0u);
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
