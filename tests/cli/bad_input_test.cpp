// zrc against hostile and broken input, as a table: every refused file gets
// exit status 1 and a line naming it and the reason, no output file (nor a
// temporary one) is left behind, and the input stays as it was. Rows that
// decode_command_test.cpp already holds (a missing file, a text file, a cut
// recording, a 60-byte header) and cli_pieces_test.cpp (an unwritable
// folder, the output over the input) are not repeated here.
#include <gtest/gtest.h>

#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "commands.h"
#include "file_size_limit.h"
#include "input_file.h"
#include "output_file.h"
#include "recording_to_wav.h"
#include "test_files.h"
#include "wav_builder.h"
#include "wav_to_recording.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using test::ZrcBuilder;
using Bytes = std::vector<std::uint8_t>;

Bytes recording(int pages) {
    ZrcBuilder b;
    for (int p = 0; p < pages; ++p) b.page(Bytes(1360, static_cast<std::uint8_t>(p % 8)), 3, 0);
    return b.bytes();
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class ZrcBadInputTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name).string();
    }
    std::string path(const std::string& name) const { return m_dir.file(name).string(); }
    Outcome decode(const std::vector<std::string>& files, std::optional<std::string> output = std::nullopt) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = runDecode({files, std::move(output), 16, 1, false});
        std::string out = ::testing::internal::GetCapturedStdout();
        return {status, out, ::testing::internal::GetCapturedStderr()};
    }
    Outcome encode(const std::string& file, bool convert, std::optional<std::string> output = std::nullopt,
                   std::optional<int> width = std::nullopt) {
        EncodeOptions options;
        options.files = {file};
        options.output = std::move(output);
        options.convert = convert;
        options.width = width;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = runEncode(options);
        std::string out = ::testing::internal::GetCapturedStdout();
        return {status, out, ::testing::internal::GetCapturedStderr()};
    }
    // Decodes (or encodes) input and expects the refusal: status 1, the file
    // and the reason on standard error, nothing new in the folder, the
    // input intact.
    void expectRefused(const std::string& input, const std::string& reason, bool encoding = false) {
        const auto before = test::fileNames(m_dir.path());
        const bool readable = fs::is_regular_file(input) && ::access(input.c_str(), R_OK) == 0;
        const Bytes bytes = readable ? test::readFile(input) : Bytes{};
        const Outcome r = encoding ? encode(input, false) : decode({input});
        EXPECT_EQ(r.status, kExitFileFailed);
        EXPECT_NE(r.err.find(input + ": " + reason), std::string::npos) << r.err;
        EXPECT_EQ(test::fileNames(m_dir.path()), before);
        if (readable) {
            EXPECT_EQ(test::readFile(input), bytes);
        }
    }

    test::TempDir m_dir;
};

// --- Recordings zrc decode refuses -------------------------------------------------

struct RefusedRow {
    std::string name;
    std::function<void(Bytes&)> damage;
    std::string reason;
};
void PrintTo(const RefusedRow& r, std::ostream* os) { *os << r.name; }

class RefusedRecordingTest : public ZrcBadInputTest, public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedRecordingTest, FailsWithTheReasonAndLeavesNothing) {
    Bytes bytes = recording(2);
    GetParam().damage(bytes);
    expectRefused(write("rec.zrc", bytes), GetParam().reason);
}

RefusedRow magic(std::size_t offset) {
    return {"WrongMagicAt" + std::to_string(offset), [offset](Bytes& b) { b[offset] ^= 0x20; }, "not a ZRC recording"};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedRecordingTest,
    ::testing::Values(
        RefusedRow{"Empty", [](Bytes& b) { b.clear(); }, "not a ZRC recording"},
        RefusedRow{"FourBytes", [](Bytes& b) { b.resize(4); }, "not a ZRC recording"},
        RefusedRow{"NinetyOneBytes", [](Bytes& b) { b.resize(91); }, "not a ZRC recording"},
        RefusedRow{"PageSize0", [](Bytes& b) { b[58] = b[59] = 0; }, "not a ZRC recording"},
        // About 4 GB announced, 2 pages there: refused rather than padded.
        RefusedRow{"DataSizeOf4GB", [](Bytes& b) { b[88] = b[89] = b[90] = b[91] = 0xFF; },
                   "truncated: the header announces 8134407 pages, the file holds 2 pages"},
        magic(0), magic(3), magic(8), magic(11), magic(12), magic(15), magic(84), magic(87),
        RefusedRow{"HeaderMode3", [](Bytes& b) { b[60] = 3; }, "not a ZRC recording"},
        RefusedRow{"RateCode9", [](Bytes& b) { b[61] = 9; }, "not a ZRC recording"},
        RefusedRow{"CodeWidth5", [](Bytes& b) { b[62] = 5; }, "not a ZRC recording"},
        RefusedRow{"Set1CodeWidth5", [](Bytes& b) { b[67] = 5; }, "not a ZRC recording"}),
    [](const auto& p) { return p.param.name; });

TEST_F(ZrcBadInputTest, InputsThatCannotBeOpened) {
    for (const bool encoding : {false, true}) {
        const std::string ext = encoding ? ".wav" : ".zrc";
        fs::create_directory(m_dir.file("folder" + ext));
        expectRefused(path("folder" + ext), "cannot open: is a folder", encoding);
        if (::geteuid() == 0) continue;  // root reads files without read permission
        const Bytes bytes =
            encoding ? test::WavFile::pcm16(11025, std::vector<std::int16_t>(3000, 100)).bytes() : recording(1);
        const std::string locked = write("locked" + ext, bytes);
        fs::permissions(locked, fs::perms::owner_write);
        expectRefused(locked, "cannot open: Permission denied", encoding);
        fs::permissions(locked, fs::perms::owner_all);
        EXPECT_EQ(test::readFile(locked), bytes);
    }
}

// --- Recordings it decodes ------------------------------------------------------

TEST_F(ZrcBadInputTest, ATrailingPartialPageIsLeftOut) {
    Bytes whole = recording(3);
    Bytes tailed = whole;
    tailed.insert(tailed.end(), 300, 0x3C);
    write("whole.zrc", whole);
    write("tailed.zrc", tailed);
    ASSERT_EQ(decode({path("whole.zrc"), path("tailed.zrc")}).status, kExitOk);
    EXPECT_EQ(test::readFile(path("tailed.wav")), test::readFile(path("whole.wav")));
    EXPECT_EQ(test::readFile(path("tailed.zrc")), tailed);
}

TEST_F(ZrcBadInputTest, EveryPageFlagValueCountsByItsLowBit) {
    // Page i has flag i and codes of the set that bit 0 selects; the file is
    // that of the same pages flagged 0 and 1.
    ZrcBuilder flagged;
    ZrcBuilder plain;
    for (int flag = 0; flag < 256; ++flag) {
        const bool type1 = (flag & 1) != 0;
        const Bytes codes(type1 ? 2046 : 1360, static_cast<std::uint8_t>(flag % 4));
        flagged.page(codes, type1 ? 2 : 3, static_cast<std::uint8_t>(flag));
        plain.page(codes, type1 ? 2 : 3, type1 ? 1 : 0);
    }
    write("flagged.zrc", flagged.bytes());
    write("plain.zrc", plain.bytes());
    ASSERT_EQ(decode({path("flagged.zrc"), path("plain.zrc")}).status, kExitOk);
    const Bytes wav = test::readFile(path("flagged.wav"));
    EXPECT_EQ(wav, test::readFile(path("plain.wav")));
    EXPECT_EQ(wav.size(), 44u + 2u * 128u * (1360u + 3215u));
}

TEST_F(ZrcBadInputTest, NamesWithSpacesAndNonAsciiBytes) {
    // UTF-8 names, and Latin-1 bytes as an old card's file system gives them.
    for (const std::string stem : {"voice memo 1", "Besprechung \xC3\xBC", "\xE9\x8C\xB2\xE9\x9F\xB3", "r\xE9union"}) {
        const std::string rec = write(stem + ".zrc", recording(1));
        const Outcome r = decode({rec});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        EXPECT_NE(r.out.find(rec + " -> " + path(stem + ".wav")), std::string::npos) << r.out;
        EXPECT_EQ(fs::file_size(path(stem + ".wav")), 44u + 2720u);

        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = runInfo({{rec}, true});
        const std::string json = ::testing::internal::GetCapturedStdout();
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, kExitOk);
        const auto j = nlohmann::json::parse(json);
        EXPECT_EQ(j[0]["pages"], 1);
        // JSON carries Unicode only: bytes that are not UTF-8 become U+FFFD.
        const auto file = j[0]["file"].get<std::string>();
        EXPECT_TRUE(file == rec || file.find("\xEF\xBF\xBD") != std::string::npos) << file;
    }
}

// --- WAV files zrc encode takes or refuses -----------------------------------------

std::vector<std::int16_t> tone(std::size_t n) {
    std::vector<std::int16_t> x(n);
    for (std::size_t k = 0; k < n; ++k) x[k] = static_cast<std::int16_t>((k * 797) % 16000) - 8000;
    return x;
}

struct EncodeRow {
    std::string name;
    std::function<Bytes()> wav;
    bool convert;
    int status;
    std::string words;  // on standard error; empty: nothing there
    std::uintmax_t recordingBytes;  // of a success
    std::optional<int> width = std::nullopt;
};
void PrintTo(const EncodeRow& r, std::ostream* os) { *os << r.name; }

class EncodeRowTest : public ZrcBadInputTest, public ::testing::WithParamInterface<EncodeRow> {};

TEST_P(EncodeRowTest, AnswersWithItsReason) {
    const EncodeRow& row = GetParam();
    const Bytes bytes = row.wav();
    const std::string wav = write("in.wav", bytes);
    const auto before = test::fileNames(m_dir.path());
    const Outcome r = encode(wav, row.convert, std::nullopt, row.width);
    EXPECT_EQ(r.status, row.status) << r.err;
    if (row.words.empty()) {
        EXPECT_EQ(r.err, "");
    } else {
        EXPECT_NE(r.err.find(wav + ": " + row.words), std::string::npos) << r.err;
    }
    if (row.status == kExitOk) {
        EXPECT_EQ(fs::file_size(path("in.zrc")), row.recordingBytes);
    } else {
        EXPECT_EQ(test::fileNames(m_dir.path()), before);
    }
    EXPECT_EQ(test::readFile(wav), bytes);
}

Bytes withBits(std::uint16_t bits) {
    test::WavFile w = test::WavFile::pcm16(11025, tone(2720));
    w.bitsPerSample = bits;
    return w.bytes();
}

// No data chunk: a LIST chunk holds the text "data", a size and samples.
Bytes dataOnlyInList() {
    Bytes b = test::WavFile::pcm16(11025, {}).bytes();
    b.resize(36);
    const char list[] = "LIST\xAC\x0A\x00\x00INFOdata\xA0\x0A\x00\x00";
    b.insert(b.end(), list, list + 20);
    for (std::int16_t s : tone(1360)) {
        b.push_back(static_cast<std::uint8_t>(s));
        b.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
    }
    return b;
}

// A LIST chunk whose text holds "metadata" comes before the data chunk:
// the library reads its samples from behind that text, where the size
// says 0, and the file's sound is lost.
Bytes dataInTextBeforeTheDataChunk() {
    Bytes b = test::WavFile::pcm16(11025, tone(2720)).bytes();
    const char list[] = "LIST\x10\x00\x00\x00INFOmetadata\x00\x00\x00\x00";
    b.insert(b.begin() + 36, list, list + 24);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EncodeRowTest,
    ::testing::Values(
        EncodeRow{"Bits0", [] { return withBits(0); }, false, kExitFileFailed, "unsupported sample size: 0-bit", 0},
        EncodeRow{"Bits0Converted", [] { return withBits(0); }, true, kExitFileFailed,
                  "0-bit integer samples", 0},
        EncodeRow{"Bits12", [] { return withBits(12); }, false, kExitFileFailed,
                  "unsupported sample size: 12-bit (the encoder reads 8 and 16-bit samples); --convert", 0},
        // 12 valid bits in 16-bit words: the same sound as the 16-bit file.
        EncodeRow{"Bits12Converted", [] { return withBits(12); }, true, kExitOk, "", 92 + 2 * 528},
        EncodeRow{"Bits24", [] { return withBits(24); }, false, kExitFileFailed, "unsupported sample size: 24-bit",
                  0},
        EncodeRow{"Bits32", [] { return withBits(32); }, false, kExitFileFailed, "unsupported sample size: 32-bit",
                  0},
        EncodeRow{"Rate44100", [] { return test::WavFile::pcm16(44100, tone(4000)).bytes(); }, false,
                  kExitFileFailed, "sample rate 44,100 Hz, neither 11,025 nor 8,000 Hz; --convert", 0},
        EncodeRow{"Rate44100Converted", [] { return test::WavFile::pcm16(44100, tone(4000)).bytes(); }, true,
                  kExitOk, "", 92 + 528},
        // A recording of no pages: its header alone.
        EncodeRow{"NoSamples", [] { return test::WavFile::pcm16(11025, {}).bytes(); }, false, kExitOk, "", 92},
        EncodeRow{"DataOnlyInsideAnotherChunk", dataOnlyInList, false, kExitOk,
                  "the samples are read from behind the first \"data\" in the file, at byte 48, but the file does "
                  "not read as a WAV file by its chunks (no data chunk)",
                  92 + 528},
        EncodeRow{"DataOnlyInsideAnotherChunkConverted", dataOnlyInList, true, kExitOk,
                  "the samples are read from behind the first \"data\"", 92 + 528},
        EncodeRow{"DataInTextBeforeTheDataChunk", dataInTextBeforeTheDataChunk, false, kExitOk,
                  "the samples are read from behind the first \"data\" in the file, at byte 52, but the data "
                  "chunk's samples start at byte 68 (--convert reads those)",
                  92},
        // A width makes only pages that every reader plays alike; --convert
        // brings the samples to the rate the width takes (2,720 samples at
        // 11,025 Hz are 1,974 at 8,000 Hz: one page of 2,048 codes; 2,720 at
        // 8,000 Hz are 3,749 at 11,025 Hz: three pages of 1,360).
        EncodeRow{"Width2From11025Hz", [] { return test::WavFile::pcm16(11025, tone(2720)).bytes(); }, false,
                  kExitFileFailed,
                  "11,025 Hz input makes no pages of this width that every player reads alike (--width 2 takes "
                  "8,000 Hz, --width 3 11,025 Hz, --width 4 either); --convert brings this 11,025 Hz mono 16-bit "
                  "file to 8,000 Hz mono 16-bit",
                  0, 2},
        EncodeRow{"Width2From11025HzConverted", [] { return test::WavFile::pcm16(11025, tone(2720)).bytes(); }, true,
                  kExitOk, "", 92 + 528, 2},
        EncodeRow{"Width3From8000Hz", [] { return test::WavFile::pcm16(8000, tone(2720)).bytes(); }, false,
                  kExitFileFailed, "8,000 Hz input makes no pages of this width", 0, 3},
        EncodeRow{"Width3From8000HzConverted", [] { return test::WavFile::pcm16(8000, tone(2720)).bytes(); }, true,
                  kExitOk, "", 92 + 3 * 528, 3}),
    [](const auto& p) { return p.param.name; });

TEST_F(ZrcBadInputTest, EncodingNamesWithSpacesAndNonAsciiBytes) {
    for (const std::string stem : {"voice memo 1", "Besprechung \xC3\xBC", "\xE9\x8C\xB2\xE9\x9F\xB3", "r\xE9union"}) {
        const std::string wav = write(stem + ".wav", test::WavFile::pcm16(8000, tone(3000)).bytes());
        const Outcome r = encode(wav, false);
        EXPECT_EQ(r.status, kExitOk) << r.err;
        EXPECT_NE(r.out.find(wav + " -> " + path(stem + ".zrc")), std::string::npos) << r.out;
        EXPECT_EQ(fs::file_size(path(stem + ".zrc")), 92u + 2u * 528u);
    }
}

// --- The recording changing under a conversion ---------------------------------

class ChangingRecordingTest : public ZrcBadInputTest {
protected:
    // Converts rec with writeWav, doing `meanwhile` after the first step of
    // pages; returns the failure reason, empty on success.
    std::string convert(const std::string& rec, const std::string& wav, const std::function<void()>& meanwhile) {
        InputFile in(rec.c_str());
        const PlanOrError planned = planDecode(in, 2);
        const auto* plan = std::get_if<DecodePlan>(&planned);
        if (plan == nullptr) return std::get<std::string>(planned);
        OutputFile out = OutputFile::create(wav.c_str());
        bool first = true;
        std::string failure = writeWav(in, out, *plan, [&](std::uint64_t) {
            if (first && meanwhile) meanwhile();
            first = false;
            return true;
        });
        out.close();
        return failure;
    }
};

TEST_F(ChangingRecordingTest, DeletedWhileDecodedStillGivesTheWholeFile) {
    // The open file keeps its bytes after the name goes.
    const std::string rec = write("rec.zrc", recording(600));
    ASSERT_EQ(convert(rec, path("undisturbed.wav"), nullptr), "");
    ASSERT_EQ(convert(rec, path("deleted.wav"), [&] { fs::remove(rec); }), "");
    EXPECT_FALSE(fs::exists(rec));
    EXPECT_EQ(test::readFile(path("deleted.wav")), test::readFile(path("undisturbed.wav")));
}

TEST_F(ChangingRecordingTest, CutWhileDecodedFails) {
    // Pages past the cut would read as 0xFF and decode as noise.
    const std::string rec = write("rec.zrc", recording(600));
    EXPECT_EQ(convert(rec, path("out.wav"), [&] { fs::resize_file(rec, 92 + 528 * 300); }), kRecordingCut);
}

class ChangingWavTest : public ZrcBadInputTest {
protected:
    // Encodes wav with writeRecording, doing `meanwhile` after the first
    // step of pages; returns the failure reason, empty on success.
    std::string encodeWith(const std::string& wav, const std::string& zrc, const std::function<void()>& meanwhile) {
        InputFile in(wav.c_str());
        const EncodePlanOrError planned = planEncode(in, {});
        const auto* plan = std::get_if<EncodePlan>(&planned);
        if (plan == nullptr) return std::get<std::string>(planned);
        OutputFile out = OutputFile::create(zrc.c_str());
        bool first = true;
        const EncodeOutcome outcome = writeRecording(in, out, *plan, [&](std::uint64_t) {
            if (first && meanwhile) meanwhile();
            first = false;
            return true;
        });
        out.close();
        return outcome.error;
    }
};

TEST_F(ChangingWavTest, DeletedWhileEncodedStillGivesTheWholeRecording) {
    // 200 pages of 1,360 samples: more than one step of 64 pages.
    const std::string wav = write("in.wav", test::WavFile::pcm16(11025, tone(200 * 1360)).bytes());
    ASSERT_EQ(encodeWith(wav, path("undisturbed.zrc"), nullptr), "");
    ASSERT_EQ(encodeWith(wav, path("deleted.zrc"), [&] { fs::remove(wav); }), "");
    EXPECT_EQ(test::readFile(path("deleted.zrc")), test::readFile(path("undisturbed.zrc")));
}

TEST_F(ChangingWavTest, CutWhileEncodedFails) {
    // Samples past the cut would be encoded as silence.
    const std::string wav = write("in.wav", test::WavFile::pcm16(11025, tone(200 * 1360)).bytes());
    EXPECT_EQ(encodeWith(wav, path("out.zrc"), [&] { fs::resize_file(wav, 44 + 2 * 100 * 1360); }), kWavCut);
}

// --- Output that does not fit --------------------------------------------------------

TEST_F(ZrcBadInputTest, AFullDiskFailsAndLeavesNoFile) {
    const std::string rec = write("rec.zrc", recording(20));
    const auto before = test::fileNames(m_dir.path());
    Outcome r;
    {
        test::FileSizeLimit limit(10000);
        r = decode({rec}, path("out.wav"));
    }
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("cannot write " + path("out.wav") + ": File too large"), std::string::npos) << r.err;
    EXPECT_EQ(test::fileNames(m_dir.path()), before) << "neither the output nor its temporary file";

    const std::string wav = write("in.wav", test::WavFile::pcm16(11025, tone(20 * 1360)).bytes());
    const auto withWav = test::fileNames(m_dir.path());
    {
        test::FileSizeLimit limit(5000);
        r = encode(wav, false, path("out.zrc"));
    }
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("cannot write " + path("out.zrc") + ": File too large"), std::string::npos) << r.err;
    EXPECT_EQ(test::fileNames(m_dir.path()), withWav);
}

}  // namespace
}  // namespace zrc::cli
