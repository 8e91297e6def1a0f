// Orvel's decoding exports as the player calls them: the stream header per
// rate selector, playback blocks equal to PageCodec's, and conversions whose
// files equal AdpcmDec1's (one page type) or the playback blocks (both
// types), complete after every page, with the file deleted between calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "g726_vectors.h"
#include "loaded_pagecodec.h"
#include "orvel.h"
#include "test_files.h"
#include "wav_builder.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

namespace fs = std::filesystem;
using test::le32At;
using test::ParameterSet;
using test::ZrcBuilder;

std::vector<std::uint8_t> randomCodes(std::size_t n, int width, std::mt19937& rng) {
    std::vector<std::uint8_t> codes(n);
    for (auto& c : codes) c = static_cast<std::uint8_t>(rng() & ((1u << width) - 1));
    return codes;
}

// The bytes of a block taken from a slot; frees it, as the block's receiver does.
std::vector<std::uint8_t> takeBytes(void*& slot, std::size_t bytes) {
    std::vector<std::uint8_t> out(bytes);
    if (bytes > 0) std::memcpy(out.data(), slot, bytes);
    std::free(slot);
    slot = nullptr;
    return out;
}

std::vector<std::int16_t> takeSamples(void*& slot, std::int32_t samples) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(samples));
    if (samples > 0) std::memcpy(out.data(), slot, out.size() * 2);
    std::free(slot);
    slot = nullptr;
    return out;
}

using PbAdpcmDec = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, void**,
                                    std::int32_t);

// One page through a pb_adpcm_dec: the block's samples, or nothing.
std::vector<std::int16_t> decodePage(PbAdpcmDec dec, int rate, int width, const std::vector<std::uint8_t>& codes) {
    void* slot = nullptr;
    const std::int32_t n = dec(rate, width, static_cast<std::int32_t>(codes.size()), codes.data(), &slot, 0);
    if (n == 0) {
        EXPECT_EQ(slot, nullptr);
        return {};
    }
    return takeSamples(slot, n);
}

// --- The stream header ------------------------------------------------------

struct SelectorCase {
    std::int32_t selector;
    std::uint32_t rate;  // announced
};

class HeaderBlock : public ::testing::TestWithParam<SelectorCase> {};

TEST_P(HeaderBlock, AnnouncesTheSelectorsRate) {
    const SelectorCase& c = GetParam();
    void* slot = nullptr;
    std::vector<std::uint8_t> buffer(108, 0xEE);
    ASSERT_EQ(SoundSet11k16bit(&slot, c.selector, buffer.data()), 0);
    ASSERT_NE(slot, nullptr);
    const auto block = takeBytes(slot, 100);
    EXPECT_EQ(buffer[100], 0xEE) << "wrote past 100 bytes";
    buffer.resize(100);
    EXPECT_EQ(block, buffer);

    const auto r = c.rate;
    const auto br = 2 * c.rate;
    auto b = [](std::uint32_t v, int i) { return static_cast<std::uint8_t>(v >> (8 * i)); };
    // 528,000,036 and 528,000,000: the fixed sizes of every stream.
    const std::vector<std::uint8_t> header{
        'R', 'I', 'F', 'F', 0x24, 0xA4, 0x78, 0x1F, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
        b(r, 0), b(r, 1), b(r, 2), b(r, 3), b(br, 0), b(br, 1), b(br, 2), b(br, 3), 2, 0, 16, 0,
        'd', 'a', 't', 'a', 0x00, 0xA4, 0x78, 0x1F};
    EXPECT_EQ(std::vector<std::uint8_t>(block.begin(), block.begin() + 44), header);
    EXPECT_TRUE(std::all_of(block.begin() + 44, block.end(), [](std::uint8_t v) { return v == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Selectors, HeaderBlock,
                         ::testing::Values(SelectorCase{11, 11025}, SelectorCase{22, 22050}, SelectorCase{8, 8000},
                                           SelectorCase{0, 11025}, SelectorCase{7, 11025},
                                           SelectorCase{-22, 11025}, SelectorCase{44, 11025}),
                         [](const auto& p) {
                             const std::int32_t s = p.param.selector;
                             return (s < 0 ? "minus" : "") + std::to_string(std::abs(s));
                         });

// --- Playback blocks ------------------------------------------------------

struct PageCase {
    const char* name;
    int rate;
    int width;
    std::size_t codes;
    std::size_t samples;
};

class PlaybackBlocks : public ::testing::TestWithParam<PageCase> {
protected:
    void SetUp() override {
        ASSERT_EQ(pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0);
        ASSERT_EQ(m_pc.pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0);
    }
    const test::LoadedPageCodec& m_pc = test::loadedPageCodec();
};

// Orvel's blocks are PageCodec's for the same codes, page after page: the
// decoder runs on between calls in both.
TEST_P(PlaybackBlocks, EqualPageCodecsPageAfterPage) {
    const PageCase& c = GetParam();
    std::mt19937 rng(static_cast<unsigned>(c.rate * 10 + c.width));
    for (int page = 0; page < 4; ++page) {
        const auto codes = randomCodes(c.codes, c.width, rng);
        const auto ours = decodePage(&pb_adpcm_dec, c.rate, c.width, codes);
        const auto theirs = decodePage(m_pc.pb_adpcm_dec, c.rate, c.width, codes);
        ASSERT_EQ(ours.size(), c.samples) << "page " << page;
        ASSERT_EQ(ours, theirs) << "page " << page;
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, PlaybackBlocks,
                         ::testing::Values(PageCase{"rate11_width3", 11, 3, 1360, 1360},
                                           PageCase{"rate11_width4", 11, 4, 1024, 1024},
                                           PageCase{"rate11_tooMany", 11, 2, 2100, 2048},
                                           PageCase{"rate7_width2", 7, 2, 2046, 3215},
                                           PageCase{"rate8_width2", 8, 2, 2048, 2816},
                                           PageCase{"rate8_width4", 8, 4, 1024, 1408},
                                           PageCase{"rate8_width3", 8, 3, 1360, 1408}),
                         [](const auto& p) { return std::string(p.param.name); });

class PlaybackDecoder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0); }
};

TEST_F(PlaybackDecoder, FollowsTheG726VectorsAndClipsInsteadOfWrapping) {
    for (int width : {2, 3, 4}) {
        // The overload sequences drive the decoder to full scale.
        const auto v = test::loadDecoderVector(width, "ovr-a");
        ASSERT_EQ(pb_adpcm_dec(11, width, 0, nullptr, nullptr, 1), 0);
        std::vector<std::int16_t> all;
        for (std::size_t at = 0; at < v.codes.size(); at += 2048) {
            const auto from = v.codes.begin() + static_cast<std::ptrdiff_t>(at);
            const std::vector<std::uint8_t> page(from, from + std::min<std::ptrdiff_t>(2048, v.codes.end() - from));
            const auto s = decodePage(&pb_adpcm_dec, 11, width, page);
            ASSERT_EQ(s.size(), page.size());
            all.insert(all.end(), s.begin(), s.end());
        }
        std::size_t clipped = 0;
        for (std::size_t k = 0; k < all.size(); ++k) {
            ASSERT_EQ(all[k], test::doubledClipped(v.steps[k])) << "width " << width << ", sample " << k;
            if (v.steps[k] > 16383 || v.steps[k] < -16384) ++clipped;
        }
        EXPECT_GT(clipped, 0u) << "the vector of width " << width << " never reaches the clip";
    }
}

TEST_F(PlaybackDecoder, RefusalsAllocateNothingAndLeaveTheDecoderAlone) {
    const auto v = test::loadDecoderVector(3, "nrm-a");
    const std::vector<std::uint8_t> codes(2048, 5);
    int marker = 0;
    for (std::int32_t rate : {0, 6, 9, 10, 12, 22, -11}) {
        void* slot = &marker;
        EXPECT_EQ(pb_adpcm_dec(rate, 3, 1360, codes.data(), &slot, 0), 0) << rate;
        EXPECT_EQ(slot, &marker) << rate;
    }
    void* slot = &marker;
    EXPECT_EQ(pb_adpcm_dec(11, 1, 100, codes.data(), &slot, 0), 0);
    EXPECT_EQ(pb_adpcm_dec(11, 5, 100, codes.data(), &slot, 0), 0);
    EXPECT_EQ(pb_adpcm_dec(11, 3, 100, nullptr, &slot, 0), 0);
    EXPECT_EQ(pb_adpcm_dec(11, 3, 100, codes.data(), nullptr, 0), 0);
    EXPECT_EQ(slot, &marker);
    // Reset mode touches no slot either.
    EXPECT_EQ(pb_adpcm_dec(7, 2, 2046, codes.data(), &slot, 1), 0);
    EXPECT_EQ(slot, &marker);

    // Nothing above moved the decoder: it still starts from the reset state.
    const std::vector<std::uint8_t> first(v.codes.begin(), v.codes.begin() + 1360);
    const auto s = decodePage(&pb_adpcm_dec, 11, 3, first);
    ASSERT_EQ(s.size(), 1360u);
    for (std::size_t k = 0; k < s.size(); ++k) ASSERT_EQ(s[k], test::doubledClipped(v.steps[k])) << k;
}

TEST_F(PlaybackDecoder, ShortPagesAtRates7And8EndInSilence) {
    const auto v = test::loadDecoderVector(2, "nrm-a");
    struct Row {
        int rate;
        std::size_t codes, samples, soundingOutputs;
    };
    // 14 inputs fill two groups of 7 (22 outputs); 16 fill two groups of 8.
    for (const Row& r : {Row{7, 14, 3215, 22}, Row{8, 16, 2816, 22}}) {
        ASSERT_EQ(pb_adpcm_dec(r.rate, 2, 0, nullptr, nullptr, 1), 0);
        const std::vector<std::uint8_t> codes(v.codes.begin(), v.codes.begin() + static_cast<long>(r.codes));
        const auto s = decodePage(&pb_adpcm_dec, r.rate, 2, codes);
        ASSERT_EQ(s.size(), r.samples);
        EXPECT_EQ(s[0], test::doubledClipped(v.steps[0]));
        EXPECT_EQ(s[r.soundingOutputs - 1], test::doubledClipped(v.steps[r.codes - 1]));
        for (std::size_t o = r.soundingOutputs; o < s.size(); ++o) {
            ASSERT_EQ(s[o], 0) << "rate " << r.rate << ", output " << o;
        }
    }
}

// --- Conversion --------------------------------------------------------------

struct Conversion {
    std::int32_t predicted = 0;              // AdpcmDecHeader's result
    std::vector<std::uint8_t> scratch;       // what it left in the player's buffer
    std::vector<std::int32_t> results;       // AdpcmDecx's per page
};

class OrvelConversion : public ::testing::Test {
protected:
    fs::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name);
    }

    // The player's conversion road: inspect, count page types, header, the
    // opening call, then every page read, unpacked and appended. afterPage
    // runs between the calls; returning false ends the loop, as a cancel does.
    Conversion convert(const fs::path& zrc, const fs::path& wav, int pcmBit,
                       const std::function<bool(std::uint32_t page)>& afterPage = {}) {
        const RecordingInfo info = m_pc.play_splpget(zrc.c_str());
        EXPECT_GT(info.pageCount, 0u);
        EXPECT_LT(info.pageCount, 100000u);
        std::vector<std::uint8_t> table(info.pageCount);
        m_pc.pb_splptblmk(zrc.c_str(), table.data(), info.pageCount);
        std::uint32_t counts[2] = {0, 0};
        m_pc.splp_pageno(table.data(), counts, info.pageCount);

        Conversion c;
        c.scratch.assign(201, 0);
        c.predicted = AdpcmDecHeader(wav.c_str(), pcmBit, info.rate0, info.rate1, info.bits0, info.bits1,
                                     static_cast<std::int32_t>(counts[0]), static_cast<std::int32_t>(counts[1]),
                                     c.scratch.data());
        if (c.predicted == -1) return c;
        EXPECT_EQ(AdpcmDecx(wav.c_str(), nullptr, 0, 0, 0, pcmBit, 1), 0);
        const int mode = counts[0] > 0 && counts[1] > 0 ? 2 : 0;
        std::vector<std::uint8_t> page(528);
        std::vector<std::uint8_t> codes(2048);
        auto i16 = [](int v) { return static_cast<std::int16_t>(v); };
        for (std::uint32_t p = 0; p < info.pageCount; ++p) {
            const bool t1 = m_pc.play_1pagerd(zrc.c_str(), static_cast<std::int32_t>(p), page.data()) == 5;
            const int rate = t1 ? info.rate1 : info.rate0;
            const int width = t1 ? info.bits1 : info.bits0;
            const std::int16_t n = m_pc.pb_exdata(i16(width), i16(t1 ? info.payloadBytes1 : info.payloadBytes0),
                                                  i16(t1 ? info.payloadBits1 : info.payloadBits0), page.data(),
                                                  codes.data());
            c.results.push_back(AdpcmDecx(wav.c_str(), codes.data(), rate, width, n, pcmBit, mode));
            if (afterPage && !afterPage(p)) break;
        }
        return c;
    }

    // The file AdpcmDec1 writes in a header call and one page range.
    std::vector<std::uint8_t> adpcmDec1(const fs::path& zrc, int pcmBit) {
        const auto out = m_dir.file("reference.wav");
        const std::int32_t pages = m_pc.AdpcmDec1(zrc.c_str(), out.c_str(), pcmBit, 0, 0, nullptr, 0);
        EXPECT_GT(pages, 4) << "an error code";  // every recording here has more pages
        if (pages > 0) {
            EXPECT_GT(m_pc.AdpcmDec1(nullptr, nullptr, pcmBit, 0, pages - 1, nullptr, 1), 2);
        }
        auto bytes = test::readFile(out);
        fs::remove(out);
        return bytes;
    }

    // The header's two sizes tell the bytes the file holds.
    static void expectComplete(const fs::path& wav, const std::string& when) {
        const auto b = test::readFile(wav);
        ASSERT_GE(b.size(), 44u) << when;
        EXPECT_EQ(le32At(b, 4), b.size() - 8) << when;
        EXPECT_EQ(le32At(b, 40), b.size() - 44) << when;
    }

    const test::LoadedPageCodec& m_pc = test::loadedPageCodec();
    test::TempDir m_dir;
    std::mt19937 m_rng{5150};
};

struct SingleTypeCase {
    std::string name;
    std::string sample;  // a bundled recording, or empty: built from the fields below
    std::uint8_t mode = 0;
    ParameterSet set;
    std::size_t codes = 0;
    int pcmBit = 2;
};

void PrintTo(const SingleTypeCase& c, std::ostream* os) { *os << c.name; }

class SingleTypeConversion : public OrvelConversion, public ::testing::WithParamInterface<SingleTypeCase> {};

TEST_P(SingleTypeConversion, WritesTheBytesOfAdpcmDec1AndIsCompleteAfterEveryPage) {
    const SingleTypeCase& c = GetParam();
    fs::path zrc;
    if (!c.sample.empty()) {
        zrc = fs::path(ZRC_SAMPLES_DIR) / c.sample;
    } else {
        ZrcBuilder b;
        b.mode(c.mode);
        if (c.mode == 0) b.set0(c.set);
        else b.set1(c.set);
        for (int p = 0; p < 9; ++p) b.page(randomCodes(c.codes, c.set.width, m_rng), c.set.width, c.mode);
        zrc = write("rec.zrc", b.bytes());
    }
    const auto wav = m_dir.file("out.wav");
    const Conversion conv = convert(zrc, wav, c.pcmBit, [&](std::uint32_t p) {
        expectComplete(wav, "after page " + std::to_string(p));
        return true;
    });
    const auto reference = adpcmDec1(zrc, c.pcmBit);
    const auto ours = test::readFile(wav);
    ASSERT_GT(reference.size(), 44u);
    EXPECT_EQ(ours.size(), reference.size());
    EXPECT_TRUE(ours == reference) << "the WAV files differ";
    EXPECT_EQ(conv.predicted, static_cast<std::int32_t>(reference.size()));
    EXPECT_TRUE(std::all_of(conv.results.begin(), conv.results.end(), [](std::int32_t r) { return r == 0; }));
    // The scratch buffer got the header as first written.
    EXPECT_TRUE(std::equal(reference.begin(), reference.begin() + 44, conv.scratch.begin()));
    EXPECT_TRUE(std::all_of(conv.scratch.begin() + 44, conv.scratch.end(), [](std::uint8_t v) { return v == 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, SingleTypeConversion,
    ::testing::Values(SingleTypeCase{"greet11k_16bit", "greet-11k16.zrc", 0, {}, 0, 2},
                      SingleTypeCase{"greet11k_8bit", "greet-11k16.zrc", 0, {}, 0, 1},
                      SingleTypeCase{"greet8k_16bit", "greet-8k16.zrc", 0, {}, 0, 2},
                      SingleTypeCase{"greet8k_8bit", "greet-8k16.zrc", 0, {}, 0, 1},
                      SingleTypeCase{"mode0_rate11_width4_16bit", "", 0, {11, 4, 512, 0}, 1024, 2},
                      SingleTypeCase{"mode0_rate8_width4_8bit", "", 0, {8, 4, 512, 0}, 1024, 1},
                      SingleTypeCase{"mode1_rate7_width2_8bit", "", 1, {7, 2, 511, 4}, 2046, 1},
                      SingleTypeCase{"mode1_rate8_width2_16bit", "", 1, {8, 2, 512, 0}, 2048, 2}),
    [](const auto& p) { return p.param.name; });

// Both page types: the file is the header and the playback blocks of the
// pages in order, from a reset, at 11,025 Hz; 8-bit holds their mapping.
TEST_F(OrvelConversion, MixedRecordingHoldsThePlaybackBlocks) {
    const std::vector<int> types{0, 1, 1, 0, 1, 0, 0, 1, 0};
    ZrcBuilder b;  // the recorder's sets: 11 kHz 3-bit and 7 kHz 2-bit
    for (int t : types) {
        const int width = t == 0 ? 3 : 2;
        b.page(randomCodes(t == 0 ? 1360 : 2046, width, m_rng), width, static_cast<std::uint8_t>(t));
    }
    const auto bytes = b.bytes();
    const auto zrc = write("mixed.zrc", bytes);

    std::vector<std::int16_t> blocks;
    ASSERT_EQ(m_pc.pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0);
    for (std::size_t p = 0; p < types.size(); ++p) {
        const bool t1 = types[p] == 1;
        std::vector<std::uint8_t> codes(2048);
        const int n =
            m_pc.pb_exdata(t1 ? 2 : 3, t1 ? 511 : 510, t1 ? 4 : 0, bytes.data() + 92 + 528 * p, codes.data());
        codes.resize(static_cast<std::size_t>(n));
        const auto s = decodePage(m_pc.pb_adpcm_dec, t1 ? 7 : 11, t1 ? 2 : 3, codes);
        blocks.insert(blocks.end(), s.begin(), s.end());
    }
    ASSERT_EQ(blocks.size(), 5u * 1360u + 4u * 3215u);

    for (int pcmBit : {2, 1}) {
        const auto wav = m_dir.file("mixed-" + std::to_string(pcmBit) + ".wav");
        const Conversion conv = convert(zrc, wav, pcmBit, [&](std::uint32_t p) {
            expectComplete(wav, "after page " + std::to_string(p));
            return true;
        });
        const auto file = test::readFile(wav);
        const std::size_t dataBytes = blocks.size() * static_cast<std::size_t>(pcmBit);
        ASSERT_EQ(file.size(), 44 + dataBytes);
        EXPECT_EQ(conv.predicted, static_cast<std::int32_t>(file.size()));
        EXPECT_EQ(le32At(file, 24), 11025u);
        EXPECT_EQ(le32At(file, 28), 11025u * static_cast<unsigned>(pcmBit));
        EXPECT_EQ(file[32], pcmBit);
        EXPECT_EQ(file[34], 8 * pcmBit);
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            const std::int16_t s = blocks[k];
            if (pcmBit == 2) {
                ASSERT_EQ(file[44 + 2 * k], static_cast<std::uint8_t>(s)) << k;
                ASSERT_EQ(file[45 + 2 * k], static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8)) << k;
            } else {
                // Truncation toward zero: -1 gives 128, -256 gives 127.
                ASSERT_EQ(file[44 + k], static_cast<std::uint8_t>(s / 256 + 128)) << k;
            }
        }
    }
}

TEST_F(OrvelConversion, AFileDeletedBetweenCallsIsNotMadeAgain) {
    const auto zrc = fs::path(ZRC_SAMPLES_DIR) / "greet-11k16.zrc";
    const auto wav = m_dir.file("out.wav");
    const Conversion conv = convert(zrc, wav, 2, [&](std::uint32_t p) {
        if (p == 3) fs::remove(wav);  // the player's Cancel
        if (p == 5) test::writeFile(wav, {'m', 'i', 'n', 'e'});  // someone else's file of that name
        return p < 8;
    });
    ASSERT_EQ(conv.results.size(), 9u);
    for (std::size_t p = 0; p < 4; ++p) EXPECT_EQ(conv.results[p], 0) << p;
    EXPECT_EQ(conv.results[4], -2) << "the file is gone";
    for (std::size_t p = 5; p < 9; ++p) EXPECT_EQ(conv.results[p], -1) << "the conversion ended; page " << p;
    EXPECT_EQ(test::readFile(wav), (std::vector<std::uint8_t>{'m', 'i', 'n', 'e'}));

    // Deleted and never replaced: no file at all.
    const auto wav2 = m_dir.file("out2.wav");
    convert(zrc, wav2, 1, [&](std::uint32_t p) {
        if (p == 0) fs::remove(wav2);
        return p < 3;
    });
    EXPECT_FALSE(fs::exists(wav2));
}

TEST_F(OrvelConversion, TheOpeningCallRestartsTheDecoderAndPagesRunOnAcrossCalls) {
    const auto codes = randomCodes(1360, 3, m_rng);
    const auto wav = m_dir.file("out.wav");
    ASSERT_EQ(AdpcmDecHeader(wav.c_str(), 2, 11, 7, 3, 2, 2, 0, nullptr), 44 + 2 * 1360 * 2);
    ASSERT_EQ(AdpcmDecx(wav.c_str(), nullptr, 0, 0, 0, 0, 1), 0);
    ASSERT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), 0);
    ASSERT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), 0);
    ASSERT_EQ(AdpcmDecx(wav.c_str(), nullptr, 0, 0, 0, 0, 1), 0);
    ASSERT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), 0);
    const auto file = test::readFile(wav);
    ASSERT_EQ(file.size(), 44u + 3 * 2720);
    const auto first = std::vector<std::uint8_t>(file.begin() + 44, file.begin() + 44 + 2720);
    const auto second = std::vector<std::uint8_t>(file.begin() + 44 + 2720, file.begin() + 44 + 5440);
    const auto third = std::vector<std::uint8_t>(file.begin() + 44 + 5440, file.end());
    EXPECT_NE(first, second) << "the second page did not continue the decoder";
    EXPECT_EQ(first, third) << "the opening call did not reset the decoder";
}

TEST_F(OrvelConversion, PlaybackAndConversionKeepTheirOwnDecoders) {
    // PageCodec decodes three pages without interruption; Orvel decodes the
    // same three with conversion calls in between.
    std::vector<std::vector<std::uint8_t>> pages;
    for (int p = 0; p < 3; ++p) pages.push_back(randomCodes(1360, 3, m_rng));
    ASSERT_EQ(pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0);
    ASSERT_EQ(m_pc.pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0);
    const auto wav = m_dir.file("between.wav");
    ASSERT_GT(AdpcmDecHeader(wav.c_str(), 2, 11, 7, 3, 2, 3, 0, nullptr), 0);
    for (const auto& codes : pages) {
        const auto ours = decodePage(&pb_adpcm_dec, 11, 3, codes);
        EXPECT_EQ(AdpcmDecx(wav.c_str(), nullptr, 0, 0, 0, 2, 1), 0);
        EXPECT_EQ(AdpcmDecx(wav.c_str(), pages[2].data(), 11, 3, 1360, 2, 0), 0);
        EXPECT_EQ(ours, decodePage(m_pc.pb_adpcm_dec, 11, 3, codes));
    }
    // And the playback calls did not move the conversion's decoder: three
    // copies of one page, each after a reset, are the same bytes.
    const auto file = test::readFile(wav);
    ASSERT_EQ(file.size(), 44u + 3 * 2720);
    EXPECT_TRUE(std::equal(file.begin() + 44, file.begin() + 44 + 2720, file.begin() + 44 + 2720));
    EXPECT_TRUE(std::equal(file.begin() + 44, file.begin() + 44 + 2720, file.begin() + 44 + 5440));
}

TEST_F(OrvelConversion, RefusesWhatItCannotWrite) {
    const auto wav = m_dir.file("out.wav");
    const std::vector<std::uint8_t> scratch(201, 0);
    auto header = [&](const fs::path& name, int pcmBit, int rate0, int bits0, int pages0, int pages1) {
        auto s = scratch;
        const std::int32_t r = AdpcmDecHeader(name.c_str(), pcmBit, rate0, 7, bits0, 2, pages0, pages1, s.data());
        if (r == -1) {
            EXPECT_EQ(s, scratch) << "a refusal wrote to the buffer";
        }
        return r;
    };
    // Not creatable: a missing folder, a folder, no name.
    EXPECT_EQ(header(m_dir.file("no-such-folder") / "out.wav", 2, 11, 3, 4, 0), -1);
    EXPECT_EQ(header(m_dir.path(), 2, 11, 3, 4, 0), -1);
    EXPECT_EQ(AdpcmDecHeader(nullptr, 2, 11, 7, 3, 2, 4, 0, nullptr), -1);
    // Nothing is made for a sample size, rate or width it cannot write, nor
    // for more samples than a WAV file can describe (2,000,000 pages of
    // 1,360 16-bit samples are 5.4 GB).
    EXPECT_EQ(header(wav, 0, 11, 3, 4, 0), -1);
    EXPECT_EQ(header(wav, 3, 11, 3, 4, 0), -1);
    EXPECT_EQ(header(wav, 2, 9, 3, 4, 0), -1);
    EXPECT_EQ(header(wav, 2, 11, 5, 4, 1), -1);
    EXPECT_EQ(header(wav, 2, 11, 3, 2000000, 0), -1);
    EXPECT_EQ(header(wav, 2, 11, 3, -4, 0), -1);
    EXPECT_FALSE(fs::exists(wav));

    // Without a conversion nothing is appended, and nothing is created.
    const std::vector<std::uint8_t> codes(1360, 1);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_FALSE(fs::exists(wav));

    // A conversion takes only its own file name and sample size, and codes.
    ASSERT_EQ(header(wav, 2, 11, 3, 1, 0), 44 + 2720);
    const auto other = m_dir.file("other.wav");
    test::writeFile(other, std::vector<std::uint8_t>(44, 0));
    EXPECT_EQ(AdpcmDecx(other.c_str(), codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 1, 0), -1);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), nullptr, 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(AdpcmDecx(nullptr, codes.data(), 11, 3, 1360, 2, 0), -1);
    EXPECT_EQ(fs::file_size(other), 44u);
    EXPECT_EQ(fs::file_size(wav), 44u);
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), 0);
    expectComplete(wav, "after its page");

    // A file cut below its header is no longer the conversion's.
    test::writeFile(wav, std::vector<std::uint8_t>(20, 0));
    EXPECT_EQ(AdpcmDecx(wav.c_str(), codes.data(), 11, 3, 1360, 2, 0), -2);
    EXPECT_EQ(fs::file_size(wav), 20u);

    // 1,000,000 pages of 1,360 16-bit samples (2.72 GB) fit a WAV file but
    // not a 32-bit result.
    EXPECT_EQ(header(wav, 2, 11, 3, 1000000, 0), std::numeric_limits<std::int32_t>::max());
    const auto file = test::readFile(wav);
    ASSERT_EQ(file.size(), 44u);
    EXPECT_EQ(le32At(file, 40), 2720000000u);
}

}  // namespace
}  // namespace zrc
