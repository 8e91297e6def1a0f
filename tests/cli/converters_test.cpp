// zrc decode and zrc encode against the library they stand in for, two files at once (a coder shared between jobs
// would mix them), one file in parts and an input that changes under the work.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <tuple>
#include <utility>

#include "cli_run.h"
#include "g726_vectors.h"
#include "input_file.h"
#include "output_file.h"
#include "page_road.h"
#include "pagecodec.h"
#include "recording_to_sound.h"
#include "recording_to_wav.h"
#include "signals.h"
#include "sound_files.h"
#include "wav_builder.h"
#include "wav_to_recording.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Pages of the types given, of random codes: type 0 at rate code 11, type 1 at 7.
Bytes pagesOfTypes(const std::vector<int>& types, std::uint8_t mode = 0, std::size_t bytesAfter = 0) {
    std::mt19937 rng(1);
    test::ZrcBuilder b;
    b.mode(mode);
    for (int t : types) b.page(test::randomCodes(t ? 2046 : 1360, t ? 2 : 3, rng), t ? 2 : 3, static_cast<std::uint8_t>(t));
    Bytes bytes = b.bytes();
    bytes.resize(bytes.size() + bytesAfter, 0x3C);  // past the pages the header announces
    return bytes;
}

using ConverterTest = test::CliTest;

// The codec's suite holds every set and layout; here the header's mode, the pages' types and the bits reach it, and
// bytes past the pages announced stay out. Pages of both types are heard at 11,025 Hz: their playback blocks.
TEST_F(ConverterTest, DecodeEqualsTheLibrary) {
    fs::create_directory(m_dir.file("out"));
    // The recording, the bits, the recording the reference is made of (where not the same), its kind.
    for (const auto& [recording, bits, reference, mixed] : std::vector<std::tuple<Bytes, int, Bytes, bool>>{
             {pagesOfTypes(std::vector<int>(12, 1), 1), 8, {}, false},
             {pagesOfTypes({1, 1, 1}, 0, 300), 16, pagesOfTypes({1, 1, 1}, 1), false},
             {pagesOfTypes({0, 1, 1, 0, 1, 0, 0, 1}), 16, {}, true}}) {
        const test::Outcome r = decode({write("a.zrc", recording), write("b.zrc", recording)}, path("out"), bits, 2, true);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const std::string ref = write("ref.zrc", reference.empty() ? recording : reference);
        if (mixed) {
            write("ref.wav", test::WavBuilder()
                                 .format(1, 1, 11025, 16)
                                 .data16(test::playbackBlocks(ref, test::allPages(ref)))
                                 .bytes());
        } else {
            const std::int32_t pages = AdpcmDec1(ref.c_str(), path("ref.wav").c_str(), bits / 8, 0, 0, nullptr, 0);
            ASSERT_GT(AdpcmDec1(nullptr, nullptr, bits / 8, 0, pages - 1, nullptr, 1), 0);  // every page, then the end
        }
        for (const char* out : {"out/a.wav", "out/b.wav"}) EXPECT_TRUE(read(out) == read("ref.wav")) << out << " of " << ref;

        // The shared formats, named by the output's extension: FLAC holds exactly the WAV file's samples, the
        // lossy ones its length (to within one of their frames: Vorbis 2,048 samples, MP3 1,152) at the rate
        // they hold; --rate gives WAV the length at the rate asked for. Their sound has its table with the writer.
        const test::ReadSound wav = test::readSound(path("ref.wav"));
        const int opusRate = wav.rate == 8000 ? 8000 : 12000;
        for (auto [out, rate, fileRate, slack] : std::vector<std::tuple<std::string, int, int, double>>{
                 {"f.flac", 0, wav.rate, 0}, {"o.ogg", 0, wav.rate, 2048}, {"o.opus", 0, opusRate, 240},
                 {"m.mp3", 0, wav.rate, 1152}, {"w.wav", 16000, 16000, 0}}) {
            if (bits == 8 && out != "f.flac" && out != "w.wav") continue;
            cli::DecodeOptions o;
            std::tie(o.files, o.output, o.bits, o.force) = std::tuple(std::vector{path("a.zrc")}, path(out), bits, true);
            if (rate != 0) o.rate = rate;
            ASSERT_EQ(decode(o).status, kExitOk) << out;
            const test::ReadSound got = test::readSound(path(out));
            EXPECT_EQ(got.rate, fileRate) << out;
            if (slack == 0 && rate == 0) { EXPECT_TRUE(got.samples == wav.samples) << out << " of " << ref; }
            EXPECT_NEAR(static_cast<double>(got.samples.size()),
                        std::round(static_cast<double>(wav.samples.size()) * fileRate / wav.rate), slack) << out;
        }
    }
}

// --quality trades size for sound in every lossy format, the default between the ends.
TEST_F(ConverterTest, QualityTradesSizeForSound) {
    const std::string zrc = (fs::path(ZRC_SAMPLES_DIR) / "greet-11k16.zrc").string();
    for (const std::string format : {"ogg", "opus", "mp3"}) {
        std::vector<std::uintmax_t> sizes;
        for (const std::optional<int> quality : {std::optional(0), std::optional<int>(), std::optional(10)}) {
            cli::DecodeOptions o;
            std::tie(o.files, o.output, o.format, o.quality, o.force) =
                std::tuple(std::vector{zrc}, path("out"), format, quality, true);
            ASSERT_EQ(decode(o).status, kExitOk) << format;
            sizes.push_back(fs::file_size(path("out")));
        }
        EXPECT_TRUE(sizes[0] < sizes[1] && sizes[1] < sizes[2]) << format << " " << sizes[0] << " " << sizes[1] << " "
                                                                << sizes[2];
    }
}

// What a client of the library writes: check, header, every page in one encoder call.
Bytes throughExports(const std::string& wav, const std::string& zrc) {
    const std::int32_t size = wav_zrc_check(wav.c_str());
    EXPECT_GE(size, 92);
    const auto s = static_cast<std::uint32_t>(size);
    EXPECT_EQ(wav_zrc_mkheader(wav.c_str(), zrc.c_str(), s), 0);
    EXPECT_EQ(wav_zrc_encoder(wav.c_str(), zrc.c_str(), 0, (s - 92) / 528), 0);
    return test::readFile(zrc);
}

struct EncodeRow {
    std::string name;
    Bytes wav;
    bool convert = false;
    std::string words = "";       // on standard error or output; none: standard error empty
    Bytes asTheExportsRead = {};  // what the exports are given, where not the input
};
void PrintTo(const EncodeRow& r, std::ostream* os) { *os << r.name; }

// Stereo at 11,025 Hz, both channels alike, behind an odd-sized chunk, in a coding --convert reads: no resampling, so
// every 16-bit value (full scale included; bytes cut for 8-bit) must come through exactly. Floats beyond full scale
// are clipped, and counted.
EncodeRow coded(const std::string& name, std::uint16_t formatTag, unsigned bytesPerSample, bool extensible) {
    std::vector<std::int16_t> x = test::sine(5000, 11025, 700, 0.9);
    x[10] = -32768;
    x[11] = 32767;
    if (bytesPerSample == 1) for (auto& v : x) v = static_cast<std::int16_t>(v & ~0xFF);
    Bytes data;
    for (std::size_t k = 0; k < x.size(); ++k) {
        const float f = k == 10 ? -2.0f : k == 11 ? 1.5f : static_cast<float>(x[k] / 32768.0);
        const double d = f;
        std::uint64_t v = 0;
        if (formatTag == 3) std::memcpy(&v, bytesPerSample == 4 ? static_cast<const void*>(&f) : &d, bytesPerSample);
        else if (bytesPerSample == 1) v = static_cast<std::uint8_t>((x[k] >> 8) + 128);
        else v = std::uint64_t{static_cast<std::uint16_t>(x[k])} << (8 * (bytesPerSample - 2));
        for (unsigned i = 0; i < 2 * bytesPerSample; ++i)
            data.push_back(static_cast<std::uint8_t>(v >> (8 * (i % bytesPerSample))));
    }
    const auto bits = static_cast<std::uint16_t>(bytesPerSample * 8);
    test::WavBuilder w;
    w.chunk("junk", {1, 2, 3});
    (extensible ? w.extensible(formatTag, 2, 11025, bits, bits) : w.format(formatTag, 2, 11025, bits)).data(data);
    return {name, w.bytes(), true, formatTag == 3 ? "2 samples clipped" : "", test::WavFile::pcm16(11025, x).bytes()};
}
Bytes speech(const std::string& name) { return test::readFile(test::dataPath("speech/" + name)); }
// The 11,025 Hz memo in a lossless format libsndfile writes, its channels alike: the mean is the memo again, exactly.
EncodeRow lossless(const std::string& name, int format, int channels, const std::string& words) {
    std::vector<std::int16_t> frames;
    for (const std::int16_t v : test::samplesOf16BitWav(speech("memo-11k16.wav")))
        frames.insert(frames.end(), static_cast<std::size_t>(channels), v);
    return {name, test::soundFile(format, 11025, channels, frames), true, words, speech("memo-11k16.wav")};
}

class EncodeEquals : public test::CliTest, public ::testing::WithParamInterface<EncodeRow> {};

TEST_P(EncodeEquals, WhatTheExportsWrite) {
    const EncodeRow& row = GetParam();
    fs::create_directory(m_dir.file("out"));
    EncodeOptions options = test::encodeOptions({write("a.wav", row.wav), write("b.wav", row.wav)}, {}, row.convert);
    options.output = path("out");
    options.jobs = 2;
    const test::Outcome r = encode(options);
    ASSERT_EQ(r.status, kExitOk) << r.err;
    if (row.words.empty()) EXPECT_EQ(r.err, "");
    else EXPECT_NE((r.err + r.out).find(row.words), std::string::npos) << r.err << r.out;
    const Bytes expected =
        throughExports(write("given.wav", row.asTheExportsRead.empty() ? row.wav : row.asTheExportsRead), path("exports.zrc"));
    ASSERT_GT(expected.size(), 92u + 528u);
    for (const char* out : {"out/a.zrc", "out/b.zrc"}) EXPECT_TRUE(read(out) == expected) << out << " differs";
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, EncodeEquals,
    // 7,016 / 8,000 = 0.877: a recording at rate code 7 plays 12% slow. Each --width has its row among the refusals'
    // taken files; the codec's suite codes every width.
    ::testing::Values(
        EncodeRow{"Memo11k16", speech("memo-11k16.wav")}, EncodeRow{"Memo11k8", speech("memo-11k8.wav")},
        EncodeRow{"Memo8k16", speech("memo-8k16.wav"), false, "at 7,016 a second (rate code 7), 12% slow"},
        EncodeRow{"Greet8k8", speech("greet-8k8.wav"), false, "12% slow"},
        EncodeRow{"ConvertedWhenAlreadyRight", speech("memo-8k16.wav"), true, "already 8,000 Hz mono 16-bit: encoded as it is"},
        EncodeRow{"BytesAfterTheDataChunk", test::WavBuilder().format(1, 1, 11025, 16).data16(test::sine(3000, 11025, 300, 0.3))
                  .chunk("LIST", {'I', 'N', 'F', 'O'}).bytes(), false, "12 bytes after the data chunk are encoded"},
        coded("ConvertedFromU8", 1, 1, false), coded("ConvertedFromS16", 1, 2, false), coded("ConvertedFromS24", 1, 3, false),
        coded("ConvertedFromS32", 1, 4, false), coded("ConvertedFromF32", 3, 4, false), coded("ConvertedFromF64", 3, 8, false),
        coded("ConvertedFromS24Extensible", 1, 3, true), coded("ConvertedFromF32Extensible", 3, 4, true),
        lossless("ConvertedFromFlac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, "converted from 11,025 Hz mono 16-bit FLAC to"),
        lossless("ConvertedFromAiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2, "from 11,025 Hz stereo 24-bit AIFF")),
    [](const auto& p) { return p.param.name; });

// 54,400 frames at 44,100 Hz are exactly ten pages at 11,025 Hz, so the length shows any error in the ratio. The
// right channel adds a 9 kHz tone that the resampler must remove: left alone it would fold back to 2,025 Hz.
TEST_F(ConverterTest, StereoAt44100HzKeepsItsLengthAndItsSound) {
    const auto tone = test::sine(54400, 44100, 440, 0.4), high = test::sine(54400, 44100, 9000, 0.3);
    std::vector<std::int16_t> frames;
    for (std::size_t k = 0; k < tone.size(); ++k)
        frames.insert(frames.end(), {tone[k], static_cast<std::int16_t>(tone[k] + high[k])});
    const std::string wav = write("stereo.wav", test::WavBuilder().format(1, 2, 44100, 16).data16(frames).bytes());
    const test::Outcome r = encode(test::encodeOptions({wav}, {}, true));
    EXPECT_NE(r.out.find("converted from 44,100 Hz stereo 16-bit to 11,025 Hz mono 16-bit"), std::string::npos) << r.err;
    ASSERT_EQ(decode({path("stereo.zrc")}, path("decoded.wav")).status, kExitOk);
    const std::vector<std::int16_t> y = test::samplesOf16BitWav(read("decoded.wav"));
    // The tone comes back at about 30 dB; the 9 kHz tone folded back to 2,025 Hz would leave 8.5.
    EXPECT_TRUE(y.size() == 13600 && test::roundTripSnrDb(test::sine(13600, 11025, 440, 0.4), y) > 25.0) << y.size();
}

// zrc's step of one file: decodes a .zrc (into FLAC with `flac`) or encodes a .wav into "out", doing `meanwhile` at
// the first pages reported; the failure, empty on success.
class CodingTest : public test::CliTest {
protected:
    std::string code(const fs::path& input, const PartsOptions& parts = {}, const std::function<void()>& meanwhile = {},
                     bool flac = false) {
        InputFile in(input.c_str());
        OutputFile out = OutputFile::create(path("out").c_str());
        m_reported = 0;
        auto progress = [&](std::uint64_t n) {
            if (std::exchange(m_reported, m_reported + n) == 0 && meanwhile) meanwhile();
            return true;
        };
        const std::string failure = flac
            ? writeSound(in, out, std::get<DecodePlan>(planDecode(in, 2)), {sound::SoundFormat::Flac}, progress, 2)
            : input.extension() == ".zrc"
            ? writeWav(in, out, std::get<DecodePlan>(planDecode(in, 2)), progress, parts, &m_report)
            : writeRecording(in, out, std::get<EncodePlan>(planEncode(in, {})), progress, parts, &m_report).error;
        EXPECT_TRUE(out.close());
        return failure;
    }
    std::uint64_t m_reported = 0;
    PartsReport m_report;
};

// The recorder's sample decoded, and a memo said four times over encoded, in parts: started early enough, a part's
// start is proven; without warm-up it is coded again. The bytes are those of one piece either way.
TEST_F(CodingTest, InPartsGivesTheBytesOfOnePiece) {
    const auto memo = test::samplesOf16BitWav(test::readFile(test::dataPath("speech/memo-11k16.wav")));
    std::vector<std::int16_t> memo4;
    for (int repeat = 0; repeat < 4; ++repeat) memo4.insert(memo4.end(), memo.begin(), memo.end());
    const std::string wav = write("memo4.wav", test::WavFile::pcm16(11025, memo4).bytes());
    for (const bool decoding : {true, false}) {
        const fs::path input = decoding ? fs::path(ZRC_SAMPLES_DIR) / "greet-11k16.zrc" : fs::path(wav);
        ASSERT_EQ(code(input, {1, 0, 10}), "");
        const Bytes whole = read("out");
        const std::uint64_t pages = m_reported;
        EXPECT_EQ(m_report.parts, 1u);
        for (const std::uint64_t warmUp : {decoding ? 8 : kEncoderWarmUpPages / 2, std::uint64_t{0}}) {
            EXPECT_EQ(code(input, {3, warmUp, 10}), "");
            EXPECT_EQ(read("out"), whole) << decoding << " warm-up " << warmUp;
            EXPECT_EQ(m_reported, pages) << "pages coded twice are counted once";
            EXPECT_EQ(m_report.parts, 3u);
            EXPECT_EQ(m_report.redone, warmUp ? 0u : 2u);
        }
    }
}

// 600 pages and 200 pages of samples: more than one run of pages. A file whose name goes keeps its bytes; pages cut
// away would be noise in a file that looks whole. FLAC's pages are decoded on a thread ahead of the encoder.
TEST_F(CodingTest, AnInputDeletedMeanwhileIsReadToItsEndACutOneFails) {
    for (const auto& [decoding, flac] : {std::pair{true, false}, {true, true}, {false, false}}) {
        const Bytes bytes = decoding ? pagesOfTypes(std::vector<int>(600, 0))
                                     : test::WavFile::pcm16(11025, test::saw(200 * 1360)).bytes();
        const std::string in = write(decoding ? "in.zrc" : "in.wav", bytes);
        ASSERT_EQ(code(in, {}, {}, flac), "");
        const Bytes undisturbed = read("out");
        ASSERT_EQ(code(in, {}, [&] { fs::remove(in); }, flac), "");
        EXPECT_EQ(read("out"), undisturbed) << in;
        write(fs::path(in).filename(), bytes);
        EXPECT_EQ(code(in, {}, [&] { fs::resize_file(in, bytes.size() / 2); }, flac), decoding ? kRecordingCut : kWavCut);
    }
}

}  // namespace
}  // namespace zrc::cli
