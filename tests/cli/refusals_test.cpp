// What every subcommand refuses: exit status, one line on standard error, no
// file left behind (nor a temporary one), no sound, the input as it was; and
// what zrc encode takes with a warning, with the size of what it makes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>

#include "cli_run.h"
#include "file_size_limit.h"
#include "input_file.h"
#include "output_file.h"
#include "recording_player.h"
#include "recording_to_wav.h"
#include "signals.h"
#include "wav_builder.h"
#include "wav_to_recording.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::WavBuilder;
using test::WavFile;

Bytes recording(int pages) {
    test::ZrcBuilder b;
    for (int p = 0; p < pages; ++p) b.page(Bytes(1360, static_cast<std::uint8_t>(p % 8)), 3, 0);
    return b.bytes();
}

enum class Tool { Decode, Encode, Info, Play };

struct Row {
    std::string name;
    Tool tool;
    std::function<Bytes()> input;  // none: no file, or a folder (see kind)
    std::string line;              // standard error, $ for the input's path
    int status = kExitFileFailed;
    bool convert = false;
    std::optional<int> width = {};
    std::optional<std::uint32_t> from = {};
    std::string kind = "file";          // or "folder", or "locked": a file its owner cannot read
    std::uintmax_t recordingBytes = 0;  // what a taken row writes
};
void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

std::function<Bytes()> damaged(std::function<void(Bytes&)> damage) {
    return [damage] {
        Bytes b = recording(2);
        damage(b);
        return b;
    };
}
std::function<Bytes()> wav(std::uint32_t rate, std::uint16_t channels, std::uint16_t format, std::uint16_t bits,
                           std::size_t samples = 2000) {
    return [=] {
        WavFile w = WavFile::pcm16(rate, test::saw(samples));
        w.channels = channels;
        w.format = format;
        w.bitsPerSample = bits;
        return w.bytes();
    };
}
std::function<Bytes()> bytes(Bytes b) { return [b] { return b; }; }
std::function<Bytes()> patched(std::function<Bytes()> base, std::size_t at, Bytes with) {
    return [=] {
        Bytes b = base();
        std::copy(with.begin(), with.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
        return b;
    };
}
std::string widthRefusal(const std::string& rate, const std::string& to) {
    return "zrc: $: " + rate + " Hz input makes no pages of this width that every player reads alike (--width 2 takes "
           "8,000 Hz, --width 3 11,025 Hz, --width 4 either); --convert brings this " + rate + " Hz mono 16-bit file "
           "to " + to + " Hz mono 16-bit";
}
const std::string kNotZrc = "zrc: $: not a ZRC recording";
const Bytes kText{'h', 'e', 'l', 'l', 'o'};

// What every subcommand says of a file it cannot open, or that is text.
std::vector<Row> unopened(const std::string& prefix, Tool tool, const std::function<Bytes()>& readable,
                          const std::string& notOurs = kNotZrc) {
    return {Row{prefix + "Absent", tool, {}, "zrc: $: cannot open: No such file or directory"},
            Row{prefix + "Folder", tool, {}, "zrc: $: cannot open: is a folder", kExitFileFailed, false, {}, {}, "folder"},
            Row{prefix + "Locked", tool, readable, "zrc: $: cannot open: Permission denied", kExitFileFailed, false, {},
                {}, "locked"},
            Row{prefix + "Text", tool, [] { return kText; }, notOurs}};
}
std::vector<Row> operator+(std::vector<Row> a, const std::vector<Row>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Row magic(std::size_t at) {
    return {"MagicByte" + std::to_string(at), Tool::Decode, damaged([at](Bytes& b) { b[at] ^= 0x20; }), kNotZrc};
}
std::string hint(const std::string& from) { return "; --convert brings this " + from + " file to 11,025 Hz mono 16-bit"; }

// A LIST chunk whose text holds "data", a size and samples, and no data chunk.
Bytes dataOnlyInList() {
    Bytes list{'I', 'N', 'F', 'O', 'd', 'a', 't', 'a', 0xA0, 0x0A, 0, 0};
    const Bytes samples = WavBuilder().data16(test::saw(1360)).bytes();
    list.insert(list.end(), samples.begin() + 20, samples.end());
    return WavBuilder().format(1, 1, 11025, 16).chunk("LIST", list).bytes();
}
// The text "metadata" in a LIST chunk before the data chunk: the library
// reads its samples from behind that text, where the size says 0.
Bytes dataInTextBeforeTheDataChunk() {
    const Bytes list{'I', 'N', 'F', 'O', 'm', 'e', 't', 'a', 'd', 'a', 't', 'a', 0, 0, 0, 0};
    return WavBuilder().format(1, 1, 11025, 16).chunk("LIST", list).data16(test::saw(2720)).bytes();
}

class Refusals : public test::CliTest, public ::testing::WithParamInterface<Row> {
protected:
    void SetUp() override { test::playIntoFile(path("played.raw").c_str(), 25); }
};

TEST_P(Refusals, OneLineAndNothingLeft) {
    const Row& row = GetParam();
    const std::string input = path(row.tool == Tool::Encode ? "in.wav" : "in.zrc");
    const Bytes bytes = row.input ? row.input() : Bytes{};
    if (row.kind == "folder") fs::create_directory(input);
    if (row.input) test::writeFile(input, bytes);
    if (row.kind == "locked") {
        if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
        fs::permissions(input, fs::perms::owner_write);
    }
    const auto before = test::fileNames(m_dir.path());
    test::Outcome r;
    switch (row.tool) {
    case Tool::Decode: r = decode({input}); break;
    case Tool::Encode: r = encode(test::encodeOptions({input}, row.width, row.convert)); break;
    case Tool::Info: r = info({input}, false); break;
    case Tool::Play: r = test::captured([&] { return runPlay({input, row.from, false, false}); }); break;
    }
    if (row.kind == "locked") fs::permissions(input, fs::perms::owner_all);
    std::string line = row.line;
    if (const auto at = line.find('$'); at != std::string::npos) line.replace(at, 1, input);
    EXPECT_EQ(r.status, row.status);
    EXPECT_EQ(r.err, line.empty() ? "" : line + "\n");
    if (row.status != kExitOk) { EXPECT_EQ(test::fileNames(m_dir.path()), before); }
    if (row.status != kExitOk && row.tool == Tool::Play) { EXPECT_EQ(r.out, ""); }
    if (row.status == kExitOk) { EXPECT_EQ(fs::file_size(path("in.zrc")), row.recordingBytes); }
    if (row.input && row.kind == "file") { EXPECT_EQ(test::readFile(input), bytes); }
}

INSTANTIATE_TEST_SUITE_P(
    Decode, Refusals,
    ::testing::ValuesIn(unopened("", Tool::Decode, bytes(recording(1))) + std::vector<Row>{
        Row{"Empty", Tool::Decode, bytes({}), kNotZrc},
        Row{"NinetyOneBytes", Tool::Decode, damaged([](Bytes& b) { b.resize(91); }), kNotZrc},
        Row{"PageSize0", Tool::Decode, damaged([](Bytes& b) { b[58] = b[59] = 0; }), kNotZrc},
        Row{"HeaderMode3", Tool::Decode, damaged([](Bytes& b) { b[60] = 3; }), kNotZrc},
        Row{"RateCode9", Tool::Decode, damaged([](Bytes& b) { b[61] = 9; }), kNotZrc},
        Row{"CodeWidth5", Tool::Decode, damaged([](Bytes& b) { b[62] = 5; }), kNotZrc},
        Row{"Set1CodeWidth5", Tool::Decode, damaged([](Bytes& b) { b[67] = 5; }), kNotZrc},
        magic(0), magic(3), magic(8), magic(11), magic(12), magic(15), magic(84), magic(87),
        Row{"CutInAPage", Tool::Decode, damaged([](Bytes& b) { b.resize(b.size() - 300); }),
            "zrc: $: truncated: the header announces 2 pages, the file holds 1 page and part of another"},
        // About 4 GB announced, 2 pages there: refused rather than padded.
        Row{"DataSizeOf4GB", Tool::Decode, damaged([](Bytes& b) { b[88] = b[89] = b[90] = b[91] = 0xFF; }),
            "zrc: $: truncated: the header announces 8134407 pages, the file holds 2 pages"}}),
    [](const auto& p) { return p.param.name; });

INSTANTIATE_TEST_SUITE_P(
    InfoAndPlay, Refusals,
    ::testing::ValuesIn(unopened("Info", Tool::Info, bytes(recording(1))) + unopened("Play", Tool::Play, bytes(recording(1))) + std::vector<Row>{
        Row{"PlayNoPages", Tool::Play, bytes(test::ZrcBuilder().bytes()), "zrc: $: no pages to play"},
        Row{"PlayFromBeyondTheEnd", Tool::Play, bytes(recording(1)),
            "zrc play: --from 1 is beyond the last page of $ (0)", kExitUsage, false, {}, 1}}),
    [](const auto& p) { return p.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Encode, Refusals,
    ::testing::ValuesIn(unopened("", Tool::Encode, wav(11025, 1, 1, 16), "zrc: $: not a WAV file") + std::vector<Row>{
        Row{"Rate22050", Tool::Encode, wav(22050, 1, 1, 16),
            "zrc: $: sample rate 22,050 Hz, neither 11,025 nor 8,000 Hz" + hint("22,050 Hz mono 16-bit")},
        Row{"Stereo", Tool::Encode, wav(11025, 2, 1, 16),
            "zrc: $: not mono (2 channels)" + hint("11,025 Hz stereo 16-bit")},
        Row{"Float", Tool::Encode, wav(11025, 1, 3, 32), "zrc: $: not PCM samples" + hint("11,025 Hz mono 32-bit float")},
        Row{"Bits0", Tool::Encode, wav(11025, 1, 1, 0),
            "zrc: $: unsupported sample size: 0-bit (the encoder reads 8 and 16-bit samples)"},
        Row{"Bits0Converted", Tool::Encode, wav(11025, 1, 1, 0),
            "zrc: $: 0-bit integer samples in 0 bytes, which are not supported (8 to 32 bits are)", kExitFileFailed,
            true},
        Row{"Bits24", Tool::Encode, wav(11025, 1, 1, 24),
            "zrc: $: unsupported sample size: 24-bit (the encoder reads 8 and 16-bit samples)" +
                hint("11,025 Hz mono 24-bit")},
        Row{"NoDataChunk", Tool::Encode, bytes(WavBuilder().format(1, 1, 11025, 16).bytes()),
            "zrc: $: no data (no \"data\" chunk)"},
        Row{"NoDataChunkConverted", Tool::Encode, bytes(WavBuilder().format(1, 1, 11025, 16).bytes()),
            "zrc: $: no data chunk", kExitFileFailed, true},
        Row{"Streamed", Tool::Encode, patched(wav(11025, 1, 1, 16), 40, {0xFF, 0xFF, 0xFF, 0xFF}),
            "zrc: $: the data chunk announces 4,294,967,295 bytes, the file holds 4,000 (--convert encodes what is "
            "there)"},
        Row{"Mp3Converted", Tool::Encode, wav(11025, 1, 0x55, 0),
            "zrc: $: format tag 0x0055: neither integer PCM nor floating-point samples", kExitFileFailed, true},
        // The players look past a "fmt " chunk too short for its fields; a
        // conversion must not take the one after it.
        Row{"ShortFormatChunkConverted", Tool::Encode,
            [] {
                Bytes stereo = WavBuilder().format(1, 2, 44100, 16).bytes();
                stereo = Bytes(stereo.begin() + 20, stereo.begin() + 34);
                return WavBuilder().chunk("fmt ", stereo).format(1, 2, 44100, 16).data16(test::saw(2000)).bytes();
            },
            "zrc: $: a \"fmt \" chunk too short to describe the samples", kExitFileFailed, true},
        Row{"ExtensibleOfAnotherKindConverted", Tool::Encode,  // a byte of the GUID's tail
            patched(bytes(WavBuilder().extensible(1, 2, 44100, 16, 16).data16(test::saw(2000)).bytes()), 54, {0x55}),
            "zrc: $: an extensible format whose sub-format is not plain PCM or float", kExitFileFailed, true},
        Row{"Rf64Converted", Tool::Encode, patched(wav(44100, 2, 1, 16), 0, {'R', 'F', '6', '4'}),
            "zrc: $: an RF64 file (WAV beyond 4 GB), not supported", kExitFileFailed, true},
        Row{"Width2From11025Hz", Tool::Encode, wav(11025, 1, 1, 16, 2720), widthRefusal("11,025", "8,000"),
            kExitFileFailed, false, 2},
        Row{"Width3From8000Hz", Tool::Encode, wav(8000, 1, 1, 16, 2720), widthRefusal("8,000", "11,025"),
            kExitFileFailed, false, 3}}),
    [](const auto& p) { return p.param.name; });

// Taken, with a warning or none: 2,720 samples at 11,025 Hz are 1,974 at
// 8,000 Hz (one page of 2,048 codes); 2,720 at 8,000 Hz are 3,749 at
// 11,025 Hz (three pages of 1,360).
INSTANTIATE_TEST_SUITE_P(
    EncodeTakes, Refusals,
    ::testing::Values(
        Row{"Bits12Converted", Tool::Encode, wav(11025, 1, 1, 12, 2720), "", kExitOk, true, {}, {}, "file", 92 + 2 * 528},
        Row{"Rate44100Converted", Tool::Encode, wav(44100, 1, 1, 16, 4000), "", kExitOk, true, {}, {}, "file", 92 + 528},
        Row{"NoSamples", Tool::Encode, wav(11025, 1, 1, 16, 0), "", kExitOk, false, {}, {}, "file", 92},
        Row{"DataOnlyInsideAnotherChunk", Tool::Encode, dataOnlyInList,
            "zrc: $: the samples are read from behind the first \"data\" in the file, at byte 48, but the file does "
            "not read as a WAV file by its chunks (no data chunk)",
            kExitOk, false, {}, {}, "file", 92 + 528},
        Row{"DataInTextBeforeTheDataChunk", Tool::Encode, dataInTextBeforeTheDataChunk,
            "zrc: $: the samples are read from behind the first \"data\" in the file, at byte 52, but the data "
            "chunk's samples start at byte 68 (--convert reads those)",
            kExitOk, false, {}, {}, "file", 92},
        Row{"Width2From11025HzConverted", Tool::Encode, wav(11025, 1, 1, 16, 2720), "", kExitOk, true, 2, {}, "file",
            92 + 528},
        Row{"Width3From8000HzConverted", Tool::Encode, wav(8000, 1, 1, 16, 2720), "", kExitOk, true, 3, {}, "file",
            92 + 3 * 528}),
    [](const auto& p) { return p.param.name; });

// The input changing under the work, and output that does not fit.
class WhileWorking : public test::CliTest {
protected:
    // Decodes or encodes, doing `meanwhile` after the first step of pages;
    // the failure reason, empty on success.
    std::string convert(const std::string& input, const std::string& output, const std::function<void()>& meanwhile) {
        InputFile in(input.c_str());
        OutputFile out = OutputFile::create(output.c_str());
        bool first = true;
        auto progress = [&](std::uint64_t) {
            if (std::exchange(first, false) && meanwhile) meanwhile();
            return true;
        };
        const std::string failure = fs::path(input).extension() == ".zrc"
            ? writeWav(in, out, std::get<DecodePlan>(planDecode(in, 2)), progress)
            : writeRecording(in, out, std::get<EncodePlan>(planEncode(in, {})), progress).error;
        out.close();
        return failure;
    }
};

// 600 pages and 200 pages of samples: more than one step of 64 pages.
TEST_F(WhileWorking, ADeletedInputIsReadToItsEndACutOneFails) {
    struct Case {
        std::string input;
        Bytes bytes;
        std::uintmax_t cutTo;
        std::string cutReason;
    };
    for (const Case& c : {Case{"rec.zrc", recording(600), 92 + 528 * 300, kRecordingCut},
                          Case{"in.wav", WavFile::pcm16(11025, test::saw(200 * 1360)).bytes(), 44 + 2 * 100 * 1360, kWavCut}}) {
        const std::string in = write(c.input, c.bytes);
        ASSERT_EQ(convert(in, path("undisturbed"), nullptr), "");
        ASSERT_EQ(convert(in, path("deleted"), [&] { fs::remove(in); }), "");
        EXPECT_EQ(read("deleted"), read("undisturbed")) << c.input;
        write(c.input, c.bytes);
        EXPECT_EQ(convert(in, path("cut"), [&] { fs::resize_file(in, c.cutTo); }), c.cutReason);
    }
}

// Every page different, so that a page played twice or left out shows. Pages
// past a cut would play as noise: what is heard is the start.
TEST_F(WhileWorking, ARecordingCutOrDeletedWhilePlayed) {
    test::playIntoFile(path("played.raw").c_str(), 25);
    test::ZrcBuilder b;
    std::mt19937 rng(12);
    for (int p = 0; p < 12; ++p) b.page(test::randomCodes(1360, 3, rng), 3, 0);
    const std::string rec = write("rec.zrc", b.bytes());
    auto play = [&](const std::function<void()>& meanwhile) {
        bool done = false;
        return RecordingPlayer(rec).play(0, PlayMode::Play, nullptr, [&](const PlayPosition& p) {
            if (p.page >= 1 && !std::exchange(done, true) && meanwhile) meanwhile();
        });
    };
    ASSERT_EQ(play(nullptr).end, PlayEnd::Finished);
    const Bytes undisturbed = test::soundOf(read("played.raw"));
    const PlayResult cut = play([&] { fs::resize_file(rec, 92 + 528 * 8); });
    EXPECT_EQ(cut.end, PlayEnd::RecordingCut);
    EXPECT_LT(cut.page, 8u);
    const Bytes heard = test::soundOf(read("played.raw"));
    ASSERT_LE(heard.size(), undisturbed.size());
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), undisturbed.begin()));
    write("rec.zrc", b.bytes());  // the open file keeps its bytes after its name goes
    EXPECT_EQ(play([&] { fs::remove(rec); }).end, PlayEnd::Finished);
    EXPECT_EQ(test::soundOf(read("played.raw")), undisturbed);
}

TEST_F(WhileWorking, AFullDiskFailsAndLeavesNoFile) {
    const std::string rec = write("rec.zrc", recording(20));
    const std::string wav = write("in.wav", WavFile::pcm16(11025, test::saw(20 * 1360)).bytes());
    const auto before = test::fileNames(m_dir.path());
    for (const bool decoding : {true, false}) {
        test::Outcome r;
        {
            test::FileSizeLimit limit(decoding ? 10000 : 5000);
            r = decoding ? decode({rec}, path("out.wav")) : encode(test::encodeOptions({wav}));
        }
        EXPECT_EQ(r.status, kExitFileFailed);
        EXPECT_NE(r.err.find("cannot write " + path(decoding ? "out.wav" : "in.zrc") + ": File too large"),
                  std::string::npos) << r.err;
    }
    EXPECT_EQ(test::fileNames(m_dir.path()), before) << "neither an output nor its temporary file";
}

}  // namespace
}  // namespace zrc::cli
