// The library's exports against hostile and broken input, as a table: each
// row gives its documented result, creates nothing it should not and
// leaves the input as it was. Rows that other files already hold (missing
// files, each conformance test, short headers and the page size for
// play_splpget, every page flag for page access, the WAV checks' result
// codes, the 4 GB data size, deletion between page-range calls) are not
// repeated here.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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
using test::ParameterSet;
using test::WavFile;
using test::ZrcBuilder;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::int16_t> tone(std::size_t n) {
    std::vector<std::int16_t> x(n);
    for (std::size_t k = 0; k < n; ++k) x[k] = static_cast<std::int16_t>(8000 * std::sin(0.07 * double(k)));
    return x;
}

Bytes twoPageRecording() {
    return ZrcBuilder().page(Bytes(1360, 1), 3, 0).page(Bytes(1360, 6), 3, 0).bytes();
}

class BadInputTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name).string();
    }
    std::string path(const std::string& name) const { return m_dir.file(name).string(); }
    bool exists(const std::string& name) const { return fs::exists(m_dir.file(name)); }

    test::TempDir m_dir;
};

// --- Inputs that cannot be opened --------------------------------------------

enum class Unopenable { Folder, NoReadPermission };
void PrintTo(Unopenable u, std::ostream* os) { *os << (u == Unopenable::Folder ? "a folder" : "no read permission"); }

class UnopenableInputTest : public BadInputTest, public ::testing::WithParamInterface<Unopenable> {
protected:
    // The name of an input that exists but cannot be read: a folder, or a
    // file whose bytes are those given, without read permission.
    std::string unopenable(const std::string& name, const Bytes& bytes) {
        if (GetParam() == Unopenable::Folder) {
            fs::create_directory(m_dir.file(name));
        } else {
            write(name, bytes);
            fs::permissions(m_dir.file(name), fs::perms::none);
        }
        return path(name);
    }
    void SetUp() override {
        if (GetParam() == Unopenable::NoReadPermission && ::geteuid() == 0) {
            GTEST_SKIP() << "root reads files without read permission";
        }
    }
    void TearDown() override {
        for (const char* name : {"rec.zrc", "in.wav"}) {
            std::error_code ec;
            if (fs::is_regular_file(m_dir.file(name), ec)) fs::permissions(m_dir.file(name), fs::perms::owner_all);
        }
    }
};

TEST_P(UnopenableInputTest, EveryReaderSaysSoAndWritesNothing) {
    const Bytes recording = twoPageRecording();
    const std::string rec = unopenable("rec.zrc", recording);

    const RecordingInfo info = play_splpget(rec.c_str());
    EXPECT_EQ(info.rate0, 1);
    EXPECT_EQ(info.pageCount, 1u);
    Bytes page(528, 0x5A);
    EXPECT_EQ(play_1pagerd(rec.c_str(), 0, page.data()), 1);
    EXPECT_EQ(page, Bytes(528, 0x5A));
    Bytes table(2, 0x5A);
    EXPECT_EQ(pb_splptblmk(rec.c_str(), table.data(), 2), 1);
    EXPECT_EQ(table, Bytes(2, 0x5A));
    EXPECT_EQ(AdpcmDec1(rec.c_str(), path("out.wav").c_str(), 2, 0, 0, nullptr, 0), 37);
    EXPECT_FALSE(exists("out.wav"));

    const Bytes wavBytes = WavFile::pcm16(11025, tone(3000)).bytes();
    const std::string wav = unopenable("in.wav", wavBytes);
    EXPECT_EQ(wav_zrc_check(wav.c_str()), 1);
    EXPECT_EQ(wav_zrc_check_f(wav.c_str(), 512, 0, 3), 1);
    EXPECT_EQ(wav_samplef(wav.c_str()), 0u);
    EXPECT_EQ(wav_bitmode(wav.c_str()), 0);
    // The header writer creates its recording before it tests the WAV
    // file, as callers have always seen: empty.
    EXPECT_EQ(wav_zrc_mkheader(wav.c_str(), path("made.zrc").c_str(), 620), 1);
    EXPECT_EQ(fs::file_size(m_dir.file("made.zrc")), 0u);
    EXPECT_EQ(wav_zrc_encoder(wav.c_str(), path("made.zrc").c_str(), 0, 1), 1);
    EXPECT_EQ(wav_zrc_encoder_f(wav.c_str(), path("made.zrc").c_str(), 0, 1, 512, 0, 3), 1);
    EXPECT_EQ(fs::file_size(m_dir.file("made.zrc")), 0u);

    if (GetParam() == Unopenable::NoReadPermission) {
        fs::permissions(m_dir.file("rec.zrc"), fs::perms::owner_all);
        fs::permissions(m_dir.file("in.wav"), fs::perms::owner_all);
        EXPECT_EQ(test::readFile(rec), recording);
        EXPECT_EQ(test::readFile(wav), wavBytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, UnopenableInputTest,
                         ::testing::Values(Unopenable::Folder, Unopenable::NoReadPermission),
                         [](const auto& p) {
                             return p.param == Unopenable::Folder ? "Folder" : "NoReadPermission";
                         });

// --- Whole-file decoding of broken headers --------------------------------------

struct HeaderRow {
    std::string name;
    std::function<void(Bytes&)> damage;
    std::int32_t result;  // of the header call
    bool wavMade;
};
void PrintTo(const HeaderRow& r, std::ostream* os) { *os << r.name; }

class WholeFileHeaderTest : public BadInputTest, public ::testing::WithParamInterface<HeaderRow> {};

TEST_P(WholeFileHeaderTest, HeaderCallAnswers) {
    const HeaderRow& row = GetParam();
    Bytes bytes = twoPageRecording();
    row.damage(bytes);
    const std::string rec = write("rec.zrc", bytes);
    Bytes headers(136, 0x5A);
    EXPECT_EQ(AdpcmDec1(rec.c_str(), path("out.wav").c_str(), 2, 0, 0, headers.data(), 0), row.result);
    EXPECT_EQ(exists("out.wav"), row.wavMade);
    if (!row.wavMade) {
        EXPECT_EQ(headers, Bytes(136, 0x5A)) << "headers of a refused call";
    }
    EXPECT_EQ(test::readFile(rec), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WholeFileHeaderTest,
    ::testing::Values(
        // Bytes a short file lacks read as 0xFF: header mode 255 has no WAV format.
        HeaderRow{"Empty", [](Bytes& b) { b.clear(); }, 3, false},
        HeaderRow{"FourBytes", [](Bytes& b) { b.resize(4); }, 3, false},
        HeaderRow{"SixtyBytes", [](Bytes& b) { b.resize(60); }, 3, false},
        // Only the top byte of the data size is missing: a header with no pages.
        HeaderRow{"NinetyOneBytes", [](Bytes& b) { b.resize(91); }, 0, true},
        HeaderRow{"HeaderMode3", [](Bytes& b) { b[60] = 3; }, 3, false},
        HeaderRow{"RateCode9", [](Bytes& b) { b[61] = 9; }, 3, false},
        HeaderRow{"CodeWidth5", [](Bytes& b) { b[62] = 5; }, 3, false}),
    [](const auto& p) { return p.param.name; });

TEST_F(BadInputTest, WholeFileDecodingIgnoresEveryPageFlag) {
    // 256 pages, page i with flag i: one parameter set for all of them, so
    // the file is that of the same pages with flag 0.
    ZrcBuilder flagged;
    ZrcBuilder plain;
    for (int flag = 0; flag < 256; ++flag) {
        const Bytes codes(1360, static_cast<std::uint8_t>(flag % 8));
        flagged.page(codes, 3, static_cast<std::uint8_t>(flag));
        plain.page(codes, 3, 0);
    }
    const std::string a = write("flagged.zrc", flagged.bytes());
    const std::string b = write("plain.zrc", plain.bytes());
    for (const auto& [rec, wav] : {std::pair{a, path("flagged.wav")}, std::pair{b, path("plain.wav")}}) {
        ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 256);
        ASSERT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 255, nullptr, 1), 1360);
    }
    EXPECT_EQ(test::readFile(path("flagged.wav")), test::readFile(path("plain.wav")));
}

// --- WAV files the encoder cannot take -------------------------------------------

TEST_F(BadInputTest, WavFormatsOutsideTheVoiceFormats) {
    struct Row {
        const char* what;
        std::uint32_t rate;
        std::uint16_t bits;
        std::int32_t check;    // both checks
        std::int32_t encoder;  // wav_zrc_encoder, which writes nothing for any of them
    };
    for (const Row& r : {Row{"12 bits", 11025, 12, 7, 5}, Row{"32 bits", 8000, 32, 7, 5},
                         Row{"44,100 Hz", 44100, 16, 3, 0}}) {
        WavFile w = WavFile::pcm16(r.rate, tone(2000));
        w.bitsPerSample = r.bits;
        const std::string wav = write("in.wav", w.bytes());
        EXPECT_EQ(wav_zrc_check(wav.c_str()), r.check) << r.what;
        EXPECT_EQ(wav_zrc_check_f(wav.c_str(), 512, 0, 3), r.check) << r.what;
        const std::string zrc = write("out.zrc", {});
        EXPECT_EQ(wav_zrc_encoder(wav.c_str(), zrc.c_str(), 0, 2), r.encoder) << r.what;
        EXPECT_EQ(fs::file_size(zrc), 0u) << r.what;
    }
}

TEST_F(BadInputTest, DataTagOnlyInsideAnotherChunk) {
    // No data chunk at all: a LIST chunk holds the text "data", four bytes
    // saying 2,720 and 2,720 bytes of samples. The checks take the first
    // "data" anywhere, so the file is one page of samples to the encoder.
    Bytes bytes = WavFile::pcm16(11025, {}).bytes();
    bytes.resize(36);
    const char list[] = "LIST\xAC\x0A\x00\x00INFOdata\xA0\x0A\x00\x00";
    bytes.insert(bytes.end(), list, list + 20);
    const std::vector<std::int16_t> x = tone(1360);
    for (std::int16_t s : x) {
        bytes.push_back(static_cast<std::uint8_t>(s));
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
    }
    const std::string wav = write("in.wav", bytes);
    ASSERT_EQ(wav_zrc_check(wav.c_str()), 620);
    ASSERT_EQ(wav_zrc_mkheader(wav.c_str(), path("out.zrc").c_str(), 620), 0);
    ASSERT_EQ(wav_zrc_encoder(wav.c_str(), path("out.zrc").c_str(), 0, 1), 0);
    const RecordingInfo info = play_splpget(path("out.zrc").c_str());
    EXPECT_EQ(info.pageCount, 1u);
    EXPECT_EQ(test::readFile(wav), bytes);
}

// --- Outputs over inputs and a full disk ------------------------------------------

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
    // Not even when it cannot be read: the header writer would truncate it.
    if (::geteuid() != 0) {
        fs::permissions(m_dir.file("in.wav"), fs::perms::owner_write);
        EXPECT_EQ(wav_zrc_mkheader(wav.c_str(), wav.c_str(), 1148), 1);
        fs::permissions(m_dir.file("in.wav"), fs::perms::owner_all);
        EXPECT_EQ(test::readFile(wav), wavBytes);
    }
}

TEST_F(BadInputTest, WholeFileDecodingOnAFullDisk) {
    const std::string rec = write("rec.zrc", twoPageRecording());
    const std::string wav = path("out.wav");
    {
        // Not even the header fits: no file is left.
        test::FileSizeLimit limit(30);
        EXPECT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 2);
    }
    EXPECT_FALSE(exists("out.wav"));

    ASSERT_EQ(AdpcmDec1(rec.c_str(), wav.c_str(), 2, 0, 0, nullptr, 0), 2);
    {
        // The header and part of the first page: the call fails, and the
        // header tells the whole samples that reached the file rather than
        // the two pages the header call announced.
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

// --- Names ------------------------------------------------------------------------

class FileNameTest : public BadInputTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(FileNameTest, EveryExportTakesTheNameAsItIs) {
    const std::string stem = GetParam();
    const std::string wav = write(stem + ".wav", WavFile::pcm16(8000, tone(3000)).bytes());
    const std::string zrc = path(stem + ".zrc");
    const std::int32_t size = wav_zrc_check(wav.c_str());
    ASSERT_EQ(size, 92 + 2 * 528);
    ASSERT_EQ(wav_zrc_mkheader(wav.c_str(), zrc.c_str(), static_cast<std::uint32_t>(size)), 0);
    ASSERT_EQ(wav_zrc_encoder(wav.c_str(), zrc.c_str(), 0, 2), 0);

    EXPECT_EQ(play_splpget(zrc.c_str()).pageCount, 2u);
    Bytes page(528);
    EXPECT_EQ(play_1pagerd(zrc.c_str(), 1, page.data()), 5);
    const std::string out = path(stem + " (decoded).wav");
    ASSERT_EQ(AdpcmDec1(zrc.c_str(), out.c_str(), 2, 0, 0, nullptr, 0), 2);
    ASSERT_EQ(AdpcmDec1(nullptr, nullptr, 2, 0, 1, nullptr, 1), 2046);
    EXPECT_EQ(fs::file_size(out), 44u + 2u * 2338u * 2u);
}

INSTANTIATE_TEST_SUITE_P(Names, FileNameTest,
                         ::testing::Values("voice memo 1", "Besprechung \xC3\xBC", "\xE9\x8C\xB2\xE9\x9F\xB3",
                                           // Latin-1 bytes, as an old card's file system gives them
                                           "r\xE9union"),
                         [](const auto& p) { return "Name" + std::to_string(p.index); });

}  // namespace
}  // namespace zrc
