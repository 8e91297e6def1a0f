// Recordings that zrc encode --width makes, read back by every reader of the
// toolkit: the page road of playback (the player's and zrc play's), the
// whole-file decoder, the companion decoder's conversion (the player's
// Save As), and zrc decode. Each must give the samples of the codes the
// pages hold, decoded straight from the reset state: no code left out, none
// read twice, at the rate the input had.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "decoder.h"
#include "loaded_pagecodec.h"
#include "orvel.h"
#include "page_decode.h"
#include "sample_math.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

struct ReaderRow {
    int width;
    std::string wav;       // in tests/data/speech
    bool convert;          // the input's rate is not one the width takes
    unsigned codesPerPage;  // what the pages must hold
    std::uint32_t rate;    // of the samples the codes came from
};
void PrintTo(const ReaderRow& r, std::ostream* os) { *os << "width " << r.width << " from " << r.wav; }

// The codes of a page, packed least-significant bit first from byte 0.
Bytes unpacked(const std::uint8_t* page, unsigned count, int width) {
    Bytes codes(count);
    for (unsigned k = 0; k < count; ++k) {
        const unsigned bit = k * static_cast<unsigned>(width);
        const unsigned word = page[bit / 8] | (bit / 8 + 1 < 528 ? page[bit / 8 + 1] << 8 : 0);
        codes[k] = static_cast<std::uint8_t>((word >> (bit % 8)) & ((1u << width) - 1));
    }
    return codes;
}

// The reference: each page's codes at their own rate, and brought to
// 11,025 Hz as playback brings a page of that rate code.
struct Reference {
    Samples native, playback;
};
Reference straightDecode(const Bytes& zrc, const ReaderRow& row) {
    const int rateCode = row.rate == 8000 ? 8 : 11;
    Decoder native, playback;
    native.reset();
    playback.reset();
    Reference ref;
    for (std::size_t at = 92; at + 528 <= zrc.size(); at += 528) {
        const Bytes codes = unpacked(zrc.data() + at, row.codesPerPage, row.width);
        Samples x(codes.size());
        native.decode(codes.data(), codes.size(), row.width, x.data());
        for (std::int16_t s : x) ref.native.push_back(doubled(s));
        std::array<std::int16_t, kMaxPlaybackSamples> out{};
        const std::size_t n = decodeForPlayback(playback, rateCode, row.width, codes.data(), codes.size(), out.data());
        ref.playback.insert(ref.playback.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return ref;
}

// One page's codes as the player and zrc play take them: play_1pagerd, then
// pb_exdata with the parameter set the page's flag selects.
struct PageCodes {
    bool set1;
    std::int16_t count;
};
PageCodes pageCodes(const std::string& zrc, const RecordingInfo& info, std::uint32_t p, std::uint8_t* codes) {
    const test::LoadedPageCodec& pc = test::loadedPageCodec();
    std::array<std::uint8_t, 528> page{};
    const bool set1 = pc.play_1pagerd(zrc.c_str(), static_cast<std::int32_t>(p), page.data()) == 5;
    const std::int16_t n = pc.pb_exdata(static_cast<std::int16_t>(set1 ? info.bits1 : info.bits0),
                                        static_cast<std::int16_t>(set1 ? info.payloadBytes1 : info.payloadBytes0),
                                        static_cast<std::int16_t>(set1 ? info.payloadBits1 : info.payloadBits0),
                                        page.data(), codes);
    return {set1, n};
}

// The pages of a recording through the page road into the given playback
// decoder.
using PlaybackDecode = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, void**,
                                        std::int32_t);
Samples pageRoad(const std::string& zrc, PlaybackDecode decode) {
    const test::LoadedPageCodec& pc = test::loadedPageCodec();
    const RecordingInfo info = pc.play_splpget(zrc.c_str());
    decode(info.rate0, info.bits0, 0, nullptr, nullptr, 1);
    Samples out;
    for (std::uint32_t p = 0; p < info.pageCount; ++p) {
        std::array<std::uint8_t, 2048> codes{};
        const auto [set1, n] = pageCodes(zrc, info, p, codes.data());
        void* block = nullptr;
        const std::int32_t samples =
            decode(set1 ? info.rate1 : info.rate0, set1 ? info.bits1 : info.bits0, n, codes.data(), &block, 0);
        const auto* s = static_cast<const std::int16_t*>(block);
        if (s != nullptr) out.insert(out.end(), s, s + samples);
        std::free(block);
    }
    return out;
}

struct Wav {
    std::uint32_t rate = 0;
    Samples samples;
};
Wav wavAt(const fs::path& path) {
    const Bytes bytes = test::readFile(path);
    if (bytes.size() < 44) return {};
    return {test::le32At(bytes, 24), test::samplesOf16BitWav(bytes)};
}

Wav wholeFileDecoder(const std::string& zrc, const fs::path& wav) {
    const test::LoadedPageCodec& pc = test::loadedPageCodec();
    std::array<std::uint8_t, 136> headers{};
    const std::int32_t pages = pc.AdpcmDec1(zrc.c_str(), wav.c_str(), 2, 0, 0, headers.data(), 0);
    if (pages > 0) pc.AdpcmDec1(zrc.c_str(), wav.c_str(), 2, 0, pages - 1, headers.data(), 1);
    return wavAt(wav);
}

// The player's Save As: pages through PageCodec, samples through Orvel.
Wav companionConversion(const std::string& zrc, const fs::path& wav) {
    const test::LoadedPageCodec& pc = test::loadedPageCodec();
    const RecordingInfo info = pc.play_splpget(zrc.c_str());
    std::vector<std::uint8_t> types(info.pageCount);
    pc.pb_splptblmk(zrc.c_str(), types.data(), info.pageCount);
    std::uint32_t counted[2] = {};
    pc.splp_pageno(types.data(), counted, info.pageCount);
    std::array<std::uint8_t, 201> scratch{};
    if (AdpcmDecHeader(wav.c_str(), 2, info.rate0, info.rate1, info.bits0, info.bits1,
                       static_cast<std::int32_t>(counted[0]), static_cast<std::int32_t>(counted[1]),
                       scratch.data()) < 0) {
        return {};
    }
    std::array<std::uint8_t, 2048> codes{};
    AdpcmDecx(wav.c_str(), codes.data(), 0, 0, 0, 0, 1);
    const std::int32_t mode = counted[0] > 0 && counted[1] > 0 ? 2 : 0;
    for (std::uint32_t p = 0; p < info.pageCount; ++p) {
        const auto [set1, n] = pageCodes(zrc, info, p, codes.data());
        if (AdpcmDecx(wav.c_str(), codes.data(), set1 ? info.rate1 : info.rate0, set1 ? info.bits1 : info.bits0, n, 2,
                      mode) != 0) {
            return {};
        }
    }
    return wavAt(wav);
}

Wav zrcDecode(const std::string& zrc, const fs::path& wav) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = runDecode({{zrc}, wav.string(), 16, 1, true});
    ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    return status == kExitOk ? wavAt(wav) : Wav{};
}

class ReadersTest : public ::testing::TestWithParam<ReaderRow> {
protected:
    test::TempDir m_dir;
};

TEST_P(ReadersTest, EveryReaderGivesTheSamplesOfThePagesCodes) {
    const ReaderRow& row = GetParam();
    const fs::path wav = m_dir.file("in.wav");
    fs::copy_file(test::dataPath("speech/" + row.wav), wav);
    EncodeOptions options;
    options.files = {wav.string()};
    options.width = row.width;
    options.convert = row.convert;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = runEncode(options);
    ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(status, kExitOk) << err;
    const std::string zrc = m_dir.file("in.zrc").string();
    const Bytes recording = test::readFile(zrc);
    ASSERT_GT(recording.size(), 92u + 2 * 528u);

    const Reference ref = straightDecode(recording, row);
    EXPECT_TRUE(pageRoad(zrc, test::loadedPageCodec().pb_adpcm_dec) == ref.playback) << "PageCodec's playback";
    EXPECT_TRUE(pageRoad(zrc, pb_adpcm_dec) == ref.playback) << "Orvel's playback";
    for (const auto& [reader, out] : {std::pair{"AdpcmDec1", wholeFileDecoder(zrc, m_dir.file("dec1.wav"))},
                                      std::pair{"Orvel's conversion", companionConversion(zrc, m_dir.file("orvel.wav"))},
                                      std::pair{"zrc decode", zrcDecode(zrc, m_dir.file("zrc.wav"))}}) {
        EXPECT_EQ(out.rate, row.rate) << reader;
        EXPECT_EQ(out.samples.size(), ref.native.size()) << reader;
        EXPECT_TRUE(out.samples == ref.native) << reader;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryWidthAndRate, ReadersTest,
    ::testing::Values(ReaderRow{2, "memo-8k16.wav", false, 2048, 8000},
                      ReaderRow{2, "memo-11k16.wav", true, 2048, 8000},
                      ReaderRow{3, "memo-11k16.wav", false, 1360, 11025},
                      ReaderRow{3, "memo-8k16.wav", true, 1360, 11025},
                      ReaderRow{4, "memo-11k16.wav", false, 1024, 11025},
                      ReaderRow{4, "memo-8k16.wav", false, 1024, 8000}),
    [](const auto& p) {
        return "Width" + std::to_string(p.param.width) + "From" + std::to_string(p.param.wav[5] == '8' ? 8000 : 11025) +
               "Hz";
    });

}  // namespace
}  // namespace zrc::cli
