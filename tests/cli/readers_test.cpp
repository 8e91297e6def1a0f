// What zrc encode --width makes, read back by every reader of the toolkit
// (playback through PageCodec and Orvel, AdpcmDec1, Orvel's conversion, zrc
// decode): the samples of the pages' codes from a reset, at the input's rate.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "cli_run.h"
#include "decoder.h"
#include "page_decode.h"
#include "page_road.h"
#include "sample_math.h"
#include "wav_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

struct ReaderRow {
    int width;
    std::string wav;        // in tests/data/speech
    bool convert;           // the input's rate is not one the width takes
    unsigned codesPerPage;  // what the pages must hold
    std::uint32_t rate;     // of the samples the codes came from
};
void PrintTo(const ReaderRow& r, std::ostream* os) { *os << "width " << r.width << " from " << r.wav; }

// Each page's codes unpacked bit by bit, least significant first, decoded at
// their own rate and as playback brings them to 11,025 Hz.
struct Reference {
    Samples native, playback;
};
Reference straightDecode(const Bytes& zrc, const ReaderRow& row) {
    Decoder native, playback;
    native.reset();
    playback.reset();
    Reference ref;
    for (std::size_t at = 92; at + 528 <= zrc.size(); at += 528) {
        Bytes codes(row.codesPerPage);
        for (unsigned k = 0; k < codes.size(); ++k) {
            for (int b = 0; b < row.width; ++b) {
                const unsigned bit = k * static_cast<unsigned>(row.width) + static_cast<unsigned>(b);
                codes[k] = static_cast<std::uint8_t>(codes[k] | ((zrc[at + bit / 8] >> (bit % 8)) & 1) << b);
            }
        }
        Samples x(codes.size());
        native.decode(codes.data(), codes.size(), row.width, x.data());
        for (std::int16_t s : x) ref.native.push_back(doubled(s));
        std::array<std::int16_t, kMaxPlaybackSamples> out{};
        const std::size_t n =
            decodeForPlayback(playback, row.rate == 8000 ? 8 : 11, row.width, codes.data(), codes.size(), out.data());
        ref.playback.insert(ref.playback.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return ref;
}

class ReadersTest : public test::CliTest, public ::testing::WithParamInterface<ReaderRow> {};

TEST_P(ReadersTest, EveryReaderGivesTheSamplesOfThePagesCodes) {
    const ReaderRow& row = GetParam();
    const std::string wav = write("in.wav", test::readFile(test::dataPath("speech/" + row.wav)));
    const test::Outcome r = encode(test::encodeOptions({wav}, row.width, row.convert));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const std::string zrc = path("in.zrc");
    ASSERT_GT(read("in.zrc").size(), 92u + 2 * 528u);
    const Reference ref = straightDecode(read("in.zrc"), row);
    EXPECT_TRUE(test::playbackBlocks(zrc, test::allPages(zrc)) == ref.playback) << "PageCodec's playback";
    EXPECT_TRUE(test::playbackBlocks(zrc, test::allPages(zrc), pb_adpcm_dec) == ref.playback) << "Orvel's playback";

    const auto& pc = test::loadedPageCodec();
    const std::int32_t pages = pc.AdpcmDec1(zrc.c_str(), path("dec1.wav").c_str(), 2, 0, 0, nullptr, 0);
    if (pages > 0) pc.AdpcmDec1(zrc.c_str(), path("dec1.wav").c_str(), 2, 0, pages - 1, nullptr, 1);
    test::orvelConversion(zrc, path("orvel.wav"), 2);
    decode({zrc}, path("zrc.wav"));
    for (const char* reader : {"dec1.wav", "orvel.wav", "zrc.wav"}) {
        const Bytes out = fs::exists(path(reader)) ? read(reader) : Bytes{};
        ASSERT_GE(out.size(), 44u) << reader;
        EXPECT_EQ(test::le32At(out, 24), row.rate) << reader;
        EXPECT_TRUE(test::samplesOf16BitWav(out) == ref.native) << reader;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryWidthAndRate, ReadersTest,
    ::testing::Values(ReaderRow{2, "memo-8k16.wav", false, 2048, 8000}, ReaderRow{2, "memo-11k16.wav", true, 2048, 8000},
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
