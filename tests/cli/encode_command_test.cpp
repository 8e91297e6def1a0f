// zrc encode: the bytes of the library's check, header writer and encoder;
// refusals in words that leave no file; conversion of other WAV files that
// keeps their length and their sound. The output rules it shares with zrc
// decode are tested for both in cli_pieces_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <tuple>

#include "commands.h"
#include "converted_input.h"
#include "g726_vectors.h"
#include "pagecodec.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Options as the command line would give them, set one by one.
struct Options : EncodeOptions {
    explicit Options(std::vector<std::string> inputs) { files = std::move(inputs); }
    Options& to(const std::string& path) { output = path; return *this; }
    Options& inWidth(int w) { if (w != 0) width = w; return *this; }
    Options& converting() { convert = true; return *this; }
    Options& forced() { force = true; return *this; }
    Options& inJobs(unsigned n) { jobs = n; return *this; }
};

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

void put(Bytes& b, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void tag(Bytes& b, const char* t) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(t[i]));
}

// A WAV file with any "fmt " body and chunks before and after the data.
Bytes riffWav(const Bytes& fmt, const Bytes& data, const Bytes& before = {}, const Bytes& after = {}) {
    Bytes b;
    tag(b, "RIFF");
    put(b, 4 + before.size() + 8 + fmt.size() + 8 + data.size() + after.size(), 4);
    tag(b, "WAVE");
    b.insert(b.end(), before.begin(), before.end());
    tag(b, "fmt ");
    put(b, fmt.size(), 4);
    b.insert(b.end(), fmt.begin(), fmt.end());
    tag(b, "data");
    put(b, data.size(), 4);
    b.insert(b.end(), data.begin(), data.end());
    b.insert(b.end(), after.begin(), after.end());
    return b;
}

Bytes fmtBody(unsigned formatTag, unsigned channels, std::uint32_t rate, unsigned bytesPerSample, unsigned bits) {
    Bytes f;
    put(f, formatTag, 2);
    put(f, channels, 2);
    put(f, rate, 4);
    put(f, rate * channels * bytesPerSample, 4);
    put(f, channels * bytesPerSample, 2);
    put(f, bits, 2);
    return f;
}

// WAVE_FORMAT_EXTENSIBLE around a plain format tag.
Bytes extensibleFmt(unsigned formatTag, unsigned channels, std::uint32_t rate, unsigned bytesPerSample, unsigned bits) {
    Bytes f = fmtBody(0xFFFE, channels, rate, bytesPerSample, bytesPerSample * 8);
    put(f, 22, 2);
    put(f, bits, 2);
    put(f, channels == 2 ? 3 : 4, 4);
    put(f, formatTag, 2);
    const Bytes tail{0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    f.insert(f.end(), tail.begin(), tail.end());
    return f;
}

std::vector<std::int16_t> sine(std::size_t n, double rate, double hz, double amplitude) {
    std::vector<std::int16_t> x(n);
    for (std::size_t k = 0; k < n; ++k) {
        x[k] = static_cast<std::int16_t>(std::lrint(amplitude * 32768 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(k) / rate)));
    }
    return x;
}

class EncodeCommandTest : public ::testing::Test {
protected:
    fs::path write(const std::string& name, const Bytes& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name);
    }
    RunResult run(const EncodeOptions& options) {
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        const int status = runEncode(options);
        std::string out = ::testing::internal::GetCapturedStdout();
        return {status, out, ::testing::internal::GetCapturedStderr()};
    }
    RunResult encode(const fs::path& wav, std::optional<int> width = std::nullopt, bool convert = false) {
        Options o({wav.string()});
        o.width = width;
        o.convert = convert;
        return run(o);
    }
    // Decoded 16-bit samples of a recording, through zrc decode.
    std::vector<std::int16_t> decode(const fs::path& zrc) {
        const fs::path wav = m_dir.file("decoded.wav");
        fs::remove(wav);
        ::testing::internal::CaptureStdout();
        const int status = runDecode({{zrc.string()}, wav.string(), 16, 1, false});
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(status, kExitOk);
        return test::samplesOf16BitWav(test::readFile(wav));
    }
    // What a client of the library writes: check, header, every page in one
    // encoder call; width 0 for the recorder's layout, else the `_f` family
    // with the payload of zrc encode's pages of that width (3-bit pages
    // hold the recorder's 510 bytes).
    Bytes throughExports(const fs::path& wav, int width) {
        const fs::path zrc = m_dir.file("exports.zrc");
        const std::int32_t payload = width == 3 ? 510 : 512;
        const std::int32_t size =
            width == 0 ? wav_zrc_check(wav.c_str()) : wav_zrc_check_f(wav.c_str(), payload, 0, width);
        EXPECT_GE(size, 92);
        const auto s = static_cast<std::uint32_t>(size);
        EXPECT_EQ(width == 0 ? wav_zrc_mkheader(wav.c_str(), zrc.c_str(), s)
                             : wav_zrc_mkheader_f(wav.c_str(), zrc.c_str(), s, payload, 0, width),
                  0);
        const std::uint32_t pages = (s - 92) / 528;
        EXPECT_EQ(width == 0 ? wav_zrc_encoder(wav.c_str(), zrc.c_str(), 0, pages)
                             : wav_zrc_encoder_f(wav.c_str(), zrc.c_str(), 0, pages, payload, 0, width),
                  0);
        Bytes bytes = test::readFile(zrc);
        fs::remove(zrc);
        return bytes;
    }
    // zrc encode's recording against the exports': with a width, the header
    // differs in the parameter set that describes the pages (which the
    // readers' table proves true); every other byte is the library's.
    static bool sameAsExports(const Bytes& ours, Bytes exports, int width) {
        if (width != 0 && ours.size() == exports.size() && ours.size() >= 92) {
            const std::size_t set = width == 2 ? 66 : 61;
            std::copy_n(ours.begin() + static_cast<std::ptrdiff_t>(set), 5,
                        exports.begin() + static_cast<std::ptrdiff_t>(set));
        }
        return ours == exports;
    }
    test::TempDir m_dir;
};

// --- The library's bytes ----------------------------------------------------

struct ExportCase {
    std::string wav;    // in tests/data/speech
    int width;          // 0: the recorder's layout
    std::string speed;  // how players' rate (rate code x 11,025 / 11) differs from the input's
                        // (with --width the header carries the input's own rate)
};
void PrintTo(const ExportCase& c, std::ostream* os) { *os << c.wav << " width " << c.width; }

class ExportBytesTest : public EncodeCommandTest, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(ExportBytesTest, EqualWhatTheExportsWrite) {
    const fs::path wav = write("in.wav", test::readFile(test::dataPath("speech/" + GetParam().wav)));
    const int width = GetParam().width;
    const Bytes expected = throughExports(wav, width);
    const RunResult r = encode(wav, width == 0 ? std::nullopt : std::optional(width));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const Bytes ours = test::readFile(m_dir.file("in.zrc"));
    ASSERT_GT(expected.size(), 92u + 528u);
    EXPECT_EQ(ours.size(), expected.size());
    EXPECT_TRUE(sameAsExports(ours, expected, width)) << "the recordings differ";
    const std::string& speed = GetParam().speed;
    EXPECT_EQ(r.err.find(speed.empty() ? "% s" : speed) != std::string::npos, !speed.empty()) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ExportBytesTest,
    // 7,016 / 8,000 = 0.877, 11,025 / 8,000 = 1.378, 7,016 / 11,025 = 0.636.
    ::testing::Values(ExportCase{"memo-11k16.wav", 0, ""}, ExportCase{"memo-11k8.wav", 0, ""},
                      ExportCase{"memo-8k16.wav", 0, "at 7,016 a second (rate code 7), 12% slow"},
                      ExportCase{"greet-8k8.wav", 0, "12% slow"}, ExportCase{"memo-11k16.wav", 3, ""},
                      ExportCase{"memo-11k16.wav", 4, ""}, ExportCase{"greet-8k8.wav", 4, ""},
                      ExportCase{"memo-8k16.wav", 2, ""}),
    [](const auto& p) {
        std::string name = p.param.wav.substr(0, p.param.wav.find('.')) + "_width" + std::to_string(p.param.width);
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// A recording made for wider pages decodes back to its speech: its header
// describes the pages as they are, and zrc decode follows it.
TEST_F(EncodeCommandTest, EveryWidthDecodesBackToItsSpeech) {
    for (const auto& [name, width, minSnrDb] : std::vector<std::tuple<std::string, int, double>>{
             {"memo-8k16.wav", 2, 10.8}, {"memo-11k16.wav", 3, 18.1}, {"memo-11k16.wav", 4, 24.5}}) {
        const fs::path wav = write("memo.wav", test::readFile(test::dataPath("speech/" + name)));
        const std::vector<std::int16_t> x = test::samplesOf16BitWav(test::readFile(wav));
        const RunResult r = run(Options({wav.string()}).inWidth(width).forced());
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const std::vector<std::int16_t> y = decode(m_dir.file("memo.zrc"));
        ASSERT_GE(y.size(), x.size()) << width;
        const double snr = test::roundTripSnrDb(x, y);
        std::printf("%s at width %d through zrc decode: SNR %.2f dB\n", name.c_str(), width, snr);
        EXPECT_GE(snr, minSnrDb) << width;
    }
}

TEST_F(EncodeCommandTest, BytesAfterTheDataChunkAreEncodedAsTheLibraryDoesAndReported) {
    const auto x = sine(3000, 11025, 300, 0.3);
    Bytes data;
    for (std::int16_t s : x) put(data, static_cast<std::uint16_t>(s), 2);
    Bytes list;
    tag(list, "LIST");
    put(list, 4, 4);
    tag(list, "INFO");
    const fs::path wav = write("tail.wav", riffWav(fmtBody(1, 1, 11025, 2, 16), data, {}, list));
    const RunResult r = encode(wav);
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(test::readFile(m_dir.file("tail.zrc")) == throughExports(wav, 0));
    EXPECT_NE(r.err.find("12 bytes after the data chunk are encoded"), std::string::npos) << r.err;
}

// --- Refusals ---------------------------------------------------------------

TEST_F(EncodeCommandTest, RefusalsGiveTheReasonAndLeaveNoFile) {
    const auto x = sine(2000, 11025, 500, 0.2);
    Bytes pcm16;
    for (std::int16_t s : x) put(pcm16, static_cast<std::uint16_t>(s), 2);
    auto wav = [&](std::uint32_t rate, unsigned channels, unsigned format, unsigned bits) {
        test::WavFile w;
        w.sampleRate = rate;
        w.channels = static_cast<std::uint16_t>(channels);
        w.format = static_cast<std::uint16_t>(format);
        w.bitsPerSample = static_cast<std::uint16_t>(bits);
        w.data = pcm16;
        return w.bytes();
    };
    Bytes noData = wav(11025, 1, 1, 16);
    noData.resize(36);
    Bytes streamed = wav(11025, 1, 1, 16);
    std::fill_n(streamed.begin() + 40, 4, std::uint8_t{0xFF});
    const Bytes mp3 = riffWav(fmtBody(0x55, 1, 11025, 1, 0), pcm16);
    // The players look past a "fmt " chunk too short for its fields; a
    // conversion must not take the one after it.
    Bytes shortFmt;
    tag(shortFmt, "fmt ");
    put(shortFmt, 14, 4);
    const Bytes stereoFmt = fmtBody(1, 2, 44100, 2, 16);
    shortFmt.insert(shortFmt.end(), stereoFmt.begin(), stereoFmt.begin() + 14);
    Bytes otherGuid = extensibleFmt(1, 2, 44100, 2, 16);
    otherGuid[34] = 0x55;
    Bytes rf64 = wav(44100, 2, 1, 16);
    std::copy_n("RF64", 4, rf64.begin());

    struct Case {
        std::string name;
        Bytes bytes;
        bool convert;
        std::vector<std::string> words;
    };
    const std::vector<Case> cases{
        {"notes.wav", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}, false, {"not a WAV file"}},
        {"rate.wav", wav(22050, 1, 1, 16), false, {"22,050 Hz, neither 11,025 nor 8,000 Hz", "--convert"}},
        {"stereo.wav", wav(11025, 2, 1, 16), false, {"not mono (2 channels)", "--convert"}},
        {"float.wav", wav(11025, 1, 3, 32), false, {"not PCM", "--convert brings this 11,025 Hz mono 32-bit float"}},
        {"nodata.wav", noData, false, {"no data"}},
        {"deep.wav", wav(11025, 1, 1, 24), false, {"unsupported sample size: 24-bit", "--convert"}},
        {"streamed.wav", streamed, false, {"announces 4,294,967,295 bytes, the file holds 4,000"}},
        {"mp3.wav", mp3, true, {"format tag 0x0055: neither integer PCM nor floating-point"}},
        {"shortfmt.wav", riffWav(stereoFmt, pcm16, shortFmt), true, {"a \"fmt \" chunk too short"}},
        {"guid.wav", riffWav(otherGuid, pcm16), true, {"extensible format whose sub-format is not plain PCM"}},
        {"rf64.wav", rf64, true, {"an RF64 file"}},
        {"absent.wav", {}, false, {"cannot open"}},
    };
    for (const Case& c : cases) {
        if (c.name != "absent.wav") write(c.name, c.bytes);
    }
    const auto before = test::fileNames(m_dir.path());
    for (const Case& c : cases) {
        const RunResult r = encode(m_dir.file(c.name), std::nullopt, c.convert);
        EXPECT_EQ(r.status, kExitFileFailed) << c.name;
        EXPECT_NE(r.err.find(c.name), std::string::npos) << r.err;
        for (const std::string& w : c.words) EXPECT_NE(r.err.find(w), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(test::fileNames(m_dir.path()), before) << c.name << " left a file";
    }
    // Without the hint where converting cannot help.
    EXPECT_EQ(encode(m_dir.file("nodata.wav")).err.find("--convert"), std::string::npos);
}

// --- Conversion -------------------------------------------------------------

TEST_F(EncodeCommandTest, StereoAt44100HzKeepsItsLengthAndItsSound) {
    // 54,400 frames at 44,100 Hz are 13,600 samples at 11,025 Hz: exactly
    // ten pages, so the decoded length shows any error in the ratio. The
    // right channel adds a 9 kHz tone that mixing halves and the resampler
    // must remove: left alone it would fold back to 2,025 Hz.
    constexpr std::size_t kFrames = 54400;
    const auto tone = sine(kFrames, 44100, 440, 0.4);
    const auto high = sine(kFrames, 44100, 9000, 0.3);
    Bytes data;
    for (std::size_t k = 0; k < kFrames; ++k) {
        put(data, static_cast<std::uint16_t>(tone[k]), 2);
        put(data, static_cast<std::uint16_t>(tone[k] + high[k]), 2);
    }
    const fs::path wav = write("stereo.wav", riffWav(fmtBody(1, 2, 44100, 2, 16), data));
    const RunResult r = encode(wav, std::nullopt, true);
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("converted from 44,100 Hz stereo 16-bit to 11,025 Hz mono 16-bit"), std::string::npos)
        << r.out;
    const fs::path zrc = m_dir.file("stereo.zrc");
    EXPECT_EQ(test::readFile(zrc).size(), 92u + 10u * 528u);

    // The recording is what the exports make of the converted samples as a
    // plain WAV file, in either family.
    InputFile in(wav.c_str());
    const RiffWav walked = std::get<RiffWav>(readRiffWav(in));
    ConvertedInput source(in, walked);
    std::vector<std::int16_t> samples(ConvertedInput::outputSamples(walked));
    ASSERT_EQ(source.read(samples), 13600u);
    const fs::path plain = write("plain.wav", test::WavFile::pcm16(11025, samples).bytes());
    EXPECT_TRUE(test::readFile(zrc) == throughExports(plain, 0));
    ASSERT_EQ(run(Options({wav.string()}).to(m_dir.file("w3.zrc").string()).inWidth(3).converting()).status, kExitOk);
    EXPECT_TRUE(sameAsExports(test::readFile(m_dir.file("w3.zrc")), throughExports(plain, 3), 3));

    const std::vector<std::int16_t> y = decode(zrc);
    EXPECT_EQ(y.size(), 13600u) << "decoded " << static_cast<double>(y.size()) / 11025 << " s of " << kFrames / 44100.0 << " s";
    // Against the 440 Hz tone made at 11,025 Hz: what the coder gives of a
    // tone recorded at that rate, less a little for the resampler.
    const auto reference = sine(13600, 11025, 440, 0.4);
    const double converted = test::roundTripSnrDb(reference, y);
    const fs::path direct = write("direct.wav", test::WavFile::pcm16(11025, reference).bytes());
    ASSERT_EQ(encode(direct).status, kExitOk);
    const double native = test::roundTripSnrDb(reference, decode(m_dir.file("direct.zrc")));
    std::printf("440 Hz tone: SNR %.2f dB converted from 44,100 Hz stereo, %.2f dB recorded at 11,025 Hz\n",
                converted, native);
    EXPECT_GT(converted, 15.0);
    EXPECT_GT(converted, native - 1.5);
}

struct Coding {
    std::string name;
    unsigned formatTag;
    unsigned bytesPerSample;
    bool extensible;
};
void PrintTo(const Coding& c, std::ostream* os) { *os << c.name; }

class CodingTest : public EncodeCommandTest, public ::testing::WithParamInterface<Coding> {};

TEST_P(CodingTest, SamplesAt11025HzComeThroughUnchanged) {
    // Stereo with both channels alike, so the mean is the channel itself, at
    // the target rate, so the resampler is not involved: every 16-bit value
    // must come back exactly from any wider coding.
    const Coding& c = GetParam();
    std::vector<std::int16_t> x = sine(5000, 11025, 700, 0.9);
    x[10] = -32768;
    x[11] = 32767;
    if (c.bytesPerSample == 1) {
        for (auto& s : x) s = static_cast<std::int16_t>(s & ~0xFF);
    }
    Bytes data;
    for (std::int16_t s : x) {
        for (int channel = 0; channel < 2; ++channel) {
            if (c.formatTag == 3) {
                const float f = static_cast<float>(s / 32768.0);
                if (c.bytesPerSample == 4) {
                    std::uint32_t bits;
                    std::memcpy(&bits, &f, 4);
                    put(data, bits, 4);
                } else {
                    const double d = f;
                    std::uint64_t bits;
                    std::memcpy(&bits, &d, 8);
                    put(data, bits, 8);
                }
            } else if (c.bytesPerSample == 1) {
                data.push_back(static_cast<std::uint8_t>((s >> 8) + 128));
            } else {
                put(data, static_cast<std::uint64_t>(static_cast<std::uint16_t>(s)) << (8 * (c.bytesPerSample - 2)),
                    static_cast<int>(c.bytesPerSample));
            }
        }
    }
    const unsigned bits = c.bytesPerSample * 8;
    const Bytes fmt = c.extensible ? extensibleFmt(c.formatTag, 2, 11025, c.bytesPerSample, bits)
                                   : fmtBody(c.formatTag, 2, 11025, c.bytesPerSample, bits);
    // An odd-sized chunk ahead of "fmt " also moves every fixed offset.
    Bytes junk;
    tag(junk, "junk");
    put(junk, 3, 4);
    junk.insert(junk.end(), {1, 2, 3, 0});
    const fs::path wav = write("coded.wav", riffWav(fmt, data, junk));

    InputFile in(wav.c_str());
    const auto walked = readRiffWav(in);
    ASSERT_TRUE(std::holds_alternative<RiffWav>(walked)) << std::get<std::string>(walked);
    ConvertedInput converted(in, std::get<RiffWav>(walked));
    std::vector<std::int16_t> y(x.size() + 3);
    EXPECT_EQ(converted.read(y), x.size());
    EXPECT_TRUE(std::equal(x.begin(), x.end(), y.begin())) << "samples differ";
    EXPECT_EQ(y.back(), 0);
    EXPECT_EQ(converted.clippedSamples(), 0u);
    // That zrc encode records what the conversion gives: the stereo test.
}

INSTANTIATE_TEST_SUITE_P(Codings, CodingTest,
                         ::testing::Values(Coding{"u8", 1, 1, false}, Coding{"s16", 1, 2, false},
                                           Coding{"s24", 1, 3, false}, Coding{"s32", 1, 4, false},
                                           Coding{"f32", 3, 4, false}, Coding{"f64", 3, 8, false},
                                           Coding{"s24_extensible", 1, 3, true}, Coding{"f32_extensible", 3, 4, true}),
                         [](const auto& p) { return p.param.name; });

TEST_F(EncodeCommandTest, ConvertEncodesEncoderInputAsItIsAndCountsClipping) {
    const fs::path wav = write("memo.wav", test::readFile(test::dataPath("speech/memo-8k16.wav")));
    const RunResult r = encode(wav, std::nullopt, true);
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("already 8,000 Hz mono 16-bit: encoded as it is"), std::string::npos) << r.out;
    EXPECT_TRUE(test::readFile(m_dir.file("memo.zrc")) == throughExports(wav, 0));

    // Float beyond full scale is clipped, and the user told.
    Bytes data;
    for (float f : {0.5f, 1.5f, -2.0f, 0.25f}) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        put(data, bits, 4);
    }
    const fs::path loud = write("loud.wav", riffWav(fmtBody(3, 1, 11025, 4, 32), data));
    const RunResult l = encode(loud, std::nullopt, true);
    ASSERT_EQ(l.status, kExitOk) << l.err;
    EXPECT_NE(l.out.find("2 samples clipped"), std::string::npos) << l.out;
}

// --- Output rules -----------------------------------------------------------

TEST_F(EncodeCommandTest, AnInputNamedZrcIsNotItsOwnOutput) {
    // The other output rules: tests/cli/cli_pieces_test.cpp, for both commands.
    const Bytes wavBytes = test::WavFile::pcm16(11025, sine(3000, 11025, 300, 0.3)).bytes();
    const fs::path named = write("odd.zrc", wavBytes);
    const RunResult r = run(Options({named.string()}).converting().forced());
    EXPECT_EQ(r.status, kExitFileFailed);
    EXPECT_NE(r.err.find("overwrite the input"), std::string::npos) << r.err;
    EXPECT_EQ(test::readFile(named), wavBytes);
}

TEST_F(EncodeCommandTest, SeveralFilesInParallelEachGetTheirOwnEncoder) {
    // Files of different layouts at once: a shared encoder state would carry
    // one file's signal into another's pages.
    const std::vector<std::string> names{"memo-11k16", "memo-11k8", "memo-8k16", "greet-8k8"};
    std::vector<std::string> inputs;
    for (const auto& n : names) inputs.push_back(write(n + ".wav", test::readFile(test::dataPath("speech/" + n + ".wav"))));
    Bytes stereo;
    for (std::int16_t s : sine(40000, 22050, 350, 0.3)) {
        put(stereo, static_cast<std::uint16_t>(s), 2);
        put(stereo, static_cast<std::uint16_t>(s), 2);
    }
    inputs.push_back(write("stereo.wav", riffWav(fmtBody(1, 2, 22050, 2, 16), stereo)));
    fs::create_directory(m_dir.file("serial"));
    fs::create_directory(m_dir.file("parallel"));
    RunResult r = run(Options(inputs).to(m_dir.file("parallel").string()).converting().inJobs(4));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    r = run(Options(inputs).to(m_dir.file("serial").string()).converting().inJobs(1));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string zrc = fs::path(inputs[i]).stem().string() + ".zrc";
        const Bytes got = test::readFile(m_dir.file("parallel/" + zrc));
        EXPECT_EQ(got, test::readFile(m_dir.file("serial/" + zrc))) << zrc;
        if (i < names.size()) {
            EXPECT_TRUE(got == throughExports(inputs[i], 0)) << zrc;
        }
    }
}

}  // namespace
}  // namespace zrc::cli
