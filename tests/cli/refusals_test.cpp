// What every subcommand refuses: exit status, one line on standard error, no file left behind (nor a temporary one),
// no sound, the input as it was; and what zrc encode takes with a warning, with the size of what it makes.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

#include "cli_run.h"
#include "file_size_limit.h"
#include "signals.h"
#include "sound_files.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::WavBuilder;

enum class Tool { Decode, Encode, Info, Play };

struct Row {
    std::string name;
    Tool tool;
    std::optional<Bytes> input;  // none: no file (or a folder)
    std::string line;            // standard error, $ for the input's path, @ for the output's
    int status = kExitFileFailed;
    bool convert = false;
    std::optional<int> width = {};
    std::optional<std::uint32_t> from = {};
    std::uintmax_t recordingBytes = 0;  // what a taken row writes
    rlim_t diskBytes = 0;               // else the largest file the disk takes
    bool folder = false;
    std::string set = "";  // zrc info's line of the parameter set that --width writes
    cli::DecodeOptions decodeAs = {};  // zrc decode's options but the input
};
void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

Bytes recording(int pages) {
    test::ZrcBuilder b;
    for (int p = 0; p < pages; ++p) b.page(Bytes(1360, static_cast<std::uint8_t>(p % 8)), 3, 0);
    return b.bytes();
}
Bytes wav(std::uint32_t rate, std::uint16_t channels, std::uint16_t format, std::uint16_t bits, std::size_t samples = 2000) {
    test::WavFile w = test::WavFile::pcm16(rate, test::saw(samples));
    w.channels = channels;
    w.format = format;
    w.bitsPerSample = bits;
    return w.bytes();
}
Bytes patched(Bytes b, std::size_t at, const Bytes& with, std::size_t cutAtTheEnd = 0) {
    std::copy(with.begin(), with.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    b.resize(b.size() - cutAtTheEnd);
    return b;
}
// A file libsndfile writes of `frames` sawtooth frames, `zeroed` bytes from its middle on overwritten.
Bytes shared(int format, int rate, int channels, std::size_t frames, std::size_t zeroed = 0, std::size_t cutAtTheEnd = 0) {
    const Bytes b = test::soundFile(format, rate, channels, test::saw(frames * static_cast<std::size_t>(channels)));
    return patched(b, b.size() / 2, Bytes(zeroed, 0), cutAtTheEnd);
}
std::string widthRefusal(const std::string& rate, const std::string& to) {
    return "zrc: $: " + rate + " Hz input makes no pages of this width that every player reads alike (--width 2 takes "
           "8,000 Hz, --width 3 11,025 Hz, --width 4 either); --convert brings this " + rate + " Hz mono 16-bit file "
           "to " + to + " Hz mono 16-bit";
}
std::string hint(const std::string& from) { return "; --convert brings this " + from + " file to 11,025 Hz mono 16-bit"; }
const std::string kNotZrc = "zrc: $: not a ZRC recording";

cli::DecodeOptions as(const std::string& format, std::optional<int> rate = {}, int bits = 16,
                      std::optional<int> quality = {}) {
    cli::DecodeOptions o;
    std::tie(o.format, o.rate, o.bits, o.quality) = std::tuple(format, rate, bits, quality);
    return o;
}

// What every subcommand says of a file it cannot open, or that is text.
std::vector<Row> unopened(const std::string& prefix, Tool tool, const std::string& notOurs = kNotZrc) {
    return {Row{prefix + "Absent", tool, {}, "zrc: $: cannot open: No such file or directory"},
            Row{prefix + "Folder", tool, {}, "zrc: $: cannot open: is a folder", kExitFileFailed, false, {}, {}, 0, 0, true},
            Row{prefix + "Text", tool, Bytes{'h', 'e', 'l', 'l', 'o'}, notOurs}};
}
std::vector<Row> operator+(std::vector<Row> a, const std::vector<Row>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Refusals : public test::CliTest, public ::testing::WithParamInterface<Row> {
protected:
    void SetUp() override { test::playIntoFile(path("played.raw").c_str(), 25); }
};

TEST_P(Refusals, OneLineAndNothingLeft) {
    const Row& row = GetParam();
    const std::string input = path(row.tool == Tool::Encode ? "in.wav" : "in.zrc");
    if (row.folder) fs::create_directory(input);
    if (row.input) test::writeFile(input, *row.input);
    const auto before = test::fileNames(m_dir.path());
    std::optional<test::FileSizeLimit> disk;
    if (row.diskBytes) disk.emplace(row.diskBytes);
    test::Outcome r;
    switch (row.tool) {
    case Tool::Decode: {
        cli::DecodeOptions o = row.decodeAs;
        o.files = {input};
        r = decode(o);
        break;
    }
    case Tool::Encode: r = encode(test::encodeOptions({input}, row.width, row.convert)); break;
    case Tool::Info: r = info({input}, false); break;
    case Tool::Play: r = test::captured([&] { return runPlay({input, row.from, false, false}); }); break;
    }
    disk.reset();
    std::string line = row.line;
    const std::string output = row.tool == Tool::Encode ? "in.zrc" : "in." + row.decodeAs.format.value_or("wav");
    for (const auto& [mark, with] : {std::pair{'$', input}, {'@', path(output)}}) {
        if (const auto at = line.find(mark); at != std::string::npos) line.replace(at, 1, with);
    }
    EXPECT_EQ(r.status, row.status);
    EXPECT_EQ(r.err, line.empty() ? "" : line + "\n");
    if (row.status != kExitOk) { EXPECT_EQ(test::fileNames(m_dir.path()), before); }
    if (row.status != kExitOk && row.tool == Tool::Play) { EXPECT_EQ(r.out, ""); }
    if (row.status == kExitOk) { EXPECT_EQ(fs::file_size(path("in.zrc")), row.recordingBytes); }
    if (!row.set.empty()) { EXPECT_NE(info({path("in.zrc")}, false).out.find(row.set), std::string::npos) << row.set; }
    if (row.input) { EXPECT_EQ(test::readFile(input), *row.input); }
}

// Every damaged header has its row in the codec's table of the check zrc calls; text shows it is called.
INSTANTIATE_TEST_SUITE_P(
    Decode, Refusals,
    ::testing::ValuesIn(unopened("", Tool::Decode) + std::vector<Row>{
        Row{"CutInAPage", Tool::Decode, patched(recording(2), 0, {}, 300),
            "zrc: $: truncated: the header announces 2 pages, the file holds 1 page and part of another"},
        // About 4 GB announced, 2 pages there: refused rather than padded.
        Row{"DataSizeOf4GB", Tool::Decode, patched(recording(2), 88, {0xFF, 0xFF, 0xFF, 0xFF}),
            "zrc: $: truncated: the header announces 8134407 pages, the file holds 2 pages"},
        // The shared writer's full disk has its table; here its message and no file left.
        Row{"FullDisk", Tool::Decode, recording(20), "zrc: $: cannot write @: File too large", kExitFileFailed, false,
            {}, {}, 0, 10000},
        Row{.name = "FullDiskMp3", .tool = Tool::Decode, .input = recording(20),
            .line = "zrc: $: cannot write @: File too large", .diskBytes = 4000, .decodeAs = as("mp3")},
        Row{.name = "UnknownFormat", .tool = Tool::Decode, .input = recording(2),
            .line = "zrc decode: unknown format \"aac\" (wav, flac, ogg, opus or mp3)", .status = kExitUsage,
            .decodeAs = as("aac")},
        Row{.name = "RateZero", .tool = Tool::Decode, .input = recording(2),
            .line = "zrc decode: --rate must be between 4,000 and 192,000 Hz", .status = kExitUsage,
            .decodeAs = as("flac", 0)},
        Row{.name = "Rate10MHz", .tool = Tool::Decode, .input = recording(2),
            .line = "zrc decode: --rate must be between 4,000 and 192,000 Hz", .status = kExitUsage,
            .decodeAs = as("flac", 10'000'000)},
        Row{.name = "EightBitOpus", .tool = Tool::Decode, .input = recording(2),
            .line = "zrc decode: --bits 8 applies to WAV and FLAC only: Ogg Opus files have no 8-bit samples",
            .status = kExitUsage, .decodeAs = as("opus", {}, 8)},
        Row{.name = "QualityOfFlac", .tool = Tool::Decode, .input = recording(2),
            .line = "zrc decode: --quality applies to ogg, opus and mp3: FLAC keeps every sample",
            .status = kExitUsage, .decodeAs = as("flac", {}, 16, 5)}}),
    [](const auto& p) { return p.param.name; });

INSTANTIATE_TEST_SUITE_P(
    InfoAndPlay, Refusals,
    ::testing::ValuesIn(unopened("Info", Tool::Info) + unopened("Play", Tool::Play) + std::vector<Row>{
        Row{"PlayNoPages", Tool::Play, test::ZrcBuilder().bytes(), "zrc: $: no pages to play"},
        Row{"PlayFromBeyondTheEnd", Tool::Play, recording(1), "zrc play: --from 1 is beyond the last page of $ (0)",
            kExitUsage, false, {}, 1}}),
    [](const auto& p) { return p.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Encode, Refusals,
    ::testing::ValuesIn(unopened("", Tool::Encode, "zrc: $: not a WAV file") + std::vector<Row>{
        Row{"Rate22050", Tool::Encode, wav(22050, 1, 1, 16),
            "zrc: $: sample rate 22,050 Hz, neither 11,025 nor 8,000 Hz" + hint("22,050 Hz mono 16-bit")},
        Row{"Stereo", Tool::Encode, wav(11025, 2, 1, 16), "zrc: $: not mono (2 channels)" + hint("11,025 Hz stereo 16-bit")},
        Row{"Float", Tool::Encode, wav(11025, 1, 3, 32), "zrc: $: not PCM samples" + hint("11,025 Hz mono 32-bit float")},
        Row{"Bits0", Tool::Encode, wav(11025, 1, 1, 0),
            "zrc: $: unsupported sample size: 0-bit (the encoder reads 8 and 16-bit samples)"},
        Row{"Bits0Converted", Tool::Encode, wav(11025, 1, 1, 0),
            "zrc: $: 0-bit integer samples in 0 bytes, which are not supported (8 to 32 bits are)", kExitFileFailed, true},
        Row{"Bits24", Tool::Encode, wav(11025, 1, 1, 24),
            "zrc: $: unsupported sample size: 24-bit (the encoder reads 8 and 16-bit samples)" + hint("11,025 Hz mono 24-bit")},
        Row{"NoDataChunk", Tool::Encode, WavBuilder().format(1, 1, 11025, 16).bytes(), "zrc: $: no data (no \"data\" chunk)"},
        Row{"NoDataChunkConverted", Tool::Encode, WavBuilder().format(1, 1, 11025, 16).bytes(), "zrc: $: no data chunk",
            kExitFileFailed, true},
        Row{"Streamed", Tool::Encode, patched(wav(11025, 1, 1, 16), 40, {0xFF, 0xFF, 0xFF, 0xFF}),
            "zrc: $: the data chunk announces 4,294,967,295 bytes, the file holds 4,000 (--convert encodes what is there)"},
        Row{"Mp3Converted", Tool::Encode, wav(11025, 1, 0x55, 0),
            "zrc: $: format tag 0x0055: neither integer PCM nor floating-point samples", kExitFileFailed, true},
        // The players look past a "fmt " chunk too short for its fields (here a stereo one's first 14 bytes); a
        // conversion must not take the one after it.
        Row{"ShortFormatChunkConverted", Tool::Encode,
            WavBuilder().chunk("fmt ", {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0}).format(1, 2, 44100, 16)
                .data16(test::saw(2000)).bytes(),
            "zrc: $: a \"fmt \" chunk too short to describe the samples", kExitFileFailed, true},
        Row{"ExtensibleOfAnotherKindConverted", Tool::Encode,  // a byte of the GUID's tail
            patched(WavBuilder().extensible(1, 2, 44100, 16, 16).data16(test::saw(2000)).bytes(), 54, {0x55}),
            "zrc: $: an extensible format whose sub-format is not plain PCM or float", kExitFileFailed, true},
        Row{"FlacNotConverted", Tool::Encode, shared(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 2000),
            "zrc: $: not a WAV file" + hint("44,100 Hz stereo 16-bit FLAC")},
        // Decoders stop at damage as at the end; only the frames the file announces tell the two apart. An MP3 cut by
        // less than 1% keeps libmpg123 quiet on standard error.
        Row{"DamagedFlacConverted", Tool::Encode, shared(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 20000, 3000),
            "zrc: $: the FLAC file ends before the 20,000 frames it announces (cut or damaged)", kExitFileFailed, true},
        Row{"CutMp3Converted", Tool::Encode, shared(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, 100000, 0, 300),
            "zrc: $: the MP3 file ends before the 100,000 frames it announces (cut or damaged)", kExitFileFailed, true},
        Row{"CutOggConverted", Tool::Encode, shared(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 100000, 0, 40000),
            "zrc: $: the Ogg Vorbis file does not tell its length (cut or damaged)", kExitFileFailed, true},
        Row{"Width2From11025Hz", Tool::Encode, wav(11025, 1, 1, 16, 2720), widthRefusal("11,025", "8,000"),
            kExitFileFailed, false, 2},
        Row{"Width3From8000Hz", Tool::Encode, wav(8000, 1, 1, 16, 2720), widthRefusal("8,000", "11,025"),
            kExitFileFailed, false, 3},
        Row{"FullDisk", Tool::Encode, wav(11025, 1, 1, 16, 20 * 1360), "zrc: $: cannot write @: File too large",
            kExitFileFailed, false, {}, {}, 0, 5000}}),
    [](const auto& p) { return p.param.name; });

// Taken, with a warning or none: 2,720 samples at 11,025 Hz are 1,974 at 8,000 Hz (one page of 2,048 codes); 2,720 at
// 8,000 Hz are 3,749 at 11,025 Hz (three pages of 1,360). --width writes the set its pages have. The library reads
// samples from behind the first "data" in the file, even inside the text of a LIST chunk: here 2,720 bytes of
// samples, or none before the real data chunk.
Bytes listBefore(const std::string& text, std::size_t samplesInText, std::size_t samplesInData) {
    Bytes list(text.begin(), text.end());
    const Bytes samples = WavBuilder().data16(test::saw(samplesInText)).bytes();
    list.insert(list.end(), samples.begin() + 16, samples.end());  // the size, then the samples
    WavBuilder w = WavBuilder().format(1, 1, 11025, 16).chunk("LIST", list);
    return samplesInData ? w.data16(test::saw(samplesInData)).bytes() : w.bytes();
}
Row width(const std::string& name, std::uint32_t rate, int width, bool convert, unsigned pages, const std::string& set) {
    return {name, Tool::Encode, wav(rate, 1, 1, 16, 2720), "", kExitOk, convert, width, {}, 92 + 528 * pages, 0, false,
            set + " codes per page"};
}
INSTANTIATE_TEST_SUITE_P(
    EncodeTakes, Refusals,
    ::testing::Values(
        Row{"Bits12Converted", Tool::Encode, wav(11025, 1, 1, 12, 2720), "", kExitOk, true, {}, {}, 92 + 2 * 528},
        Row{"NoSamples", Tool::Encode, wav(11025, 1, 1, 16, 0), "", kExitOk, false, {}, {}, 92},
        Row{"DataOnlyInsideAnotherChunk", Tool::Encode, listBefore("INFOdata", 1360, 0),
            "zrc: $: the samples are read from behind the first \"data\" in the file, at byte 48, but the file does "
            "not read as a WAV file by its chunks (no data chunk)", kExitOk, false, {}, {}, 92 + 528},
        Row{"DataInTextBeforeTheDataChunk", Tool::Encode, listBefore("INFOmetadata", 0, 2720),
            "zrc: $: the samples are read from behind the first \"data\" in the file, at byte 52, but the data "
            "chunk's samples start at byte 68 (--convert reads those)", kExitOk, false, {}, {}, 92},
        width("Width2From11025HzConverted", 11025, 2, true, 1, "rate code 8, 2-bit codes, 2048"),
        width("Width3From8000HzConverted", 8000, 3, true, 3, "rate code 11, 3-bit codes, 1360"),
        width("Width2", 8000, 2, false, 2, "rate code 8, 2-bit codes, 2048"),
        width("Width3", 11025, 3, false, 3, "rate code 11, 3-bit codes, 1360"),  // two pages of samples, and one more
        width("Width4", 8000, 4, false, 3, "rate code 8, 4-bit codes, 1024"),
        // libsndfile reads a file the chunk walk refuses, and each codec's delay is taken off: the length holds.
        Row{"Rf64Converted", Tool::Encode, patched(wav(44100, 2, 1, 16, 5440), 0, {'R', 'F', '6', '4'}), "", kExitOk, true,
            {}, {}, 92 + 528},
        Row{"OggVorbisConverted", Tool::Encode, shared(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 11025, 1, 2720), "", kExitOk,
            true, {}, {}, 92 + 2 * 528},
        Row{"OggOpusConverted", Tool::Encode, shared(SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 1, 11842), "", kExitOk,
            true, {}, {}, 92 + 2 * 528},
        Row{"Mp3FileConverted", Tool::Encode, shared(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, 4 * 2720), "",
            kExitOk, true, {}, {}, 92 + 2 * 528}),
    [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace zrc::cli
