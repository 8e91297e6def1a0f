// The playback exports of PageCodec (loaded privately) and Orvel (linked), a row each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "g726_vectors.h"
#include "loaded_pagecodec.h"
#include "orvel.h"
#include "wav_builder.h"

namespace zrc {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;
using PbAdpcmDec = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, void**, std::int32_t);
using SoundSet = std::int32_t (*)(void**, std::int32_t, std::uint8_t*);

struct Library {
    std::string name;
    PbAdpcmDec (*decoder)();
    SoundSet (*soundSet)();
    bool headerFollowsTheSelector;  // else every stream is announced at 11,025 Hz
};
void PrintTo(const Library& l, std::ostream* os) { *os << l.name; }

class PlaybackExports : public ::testing::TestWithParam<Library> {
protected:
    void SetUp() override { ASSERT_EQ(m_dec(11, 3, 0, nullptr, nullptr, 1), 0); }
    // Codes [from, from + n) of a vector as one page at rate 11; the block freed as the player frees it.
    Samples page(const test::DecoderVector& v, std::size_t from, std::size_t n, int width) {
        void* slot = nullptr;
        const std::int32_t got = m_dec(11, width, static_cast<std::int32_t>(n), v.codes.data() + from, &slot, 0);
        const Samples out(static_cast<std::int16_t*>(slot), static_cast<std::int16_t*>(slot) + (slot ? got : 0));
        std::free(slot);
        return out;
    }
    PbAdpcmDec m_dec = GetParam().decoder();
};

TEST_P(PlaybackExports, TheHeaderBlockAnnouncesTheStream) {
    for (const auto& [selector, rate] : std::vector<std::pair<std::int32_t, std::uint32_t>>{
             {11, 11025}, {22, 22050}, {8, 8000}, {0, 11025}, {7, 11025}, {-22, 11025}, {44, 11025}}) {
        void* slot = nullptr;
        Bytes buffer(108, 0xEE);
        ASSERT_EQ(GetParam().soundSet()(&slot, selector, buffer.data()), 0);
        ASSERT_NE(slot, nullptr);
        const Bytes block(static_cast<std::uint8_t*>(slot), static_cast<std::uint8_t*>(slot) + 100);
        std::free(slot);
        EXPECT_EQ(buffer[100], 0xEE) << "wrote past 100 bytes";
        EXPECT_TRUE(std::equal(block.begin(), block.end(), buffer.begin())) << "the two outputs differ";
        // 528,000,036 and 528,000,000: the fixed sizes of every stream.
        const std::uint32_t announced = GetParam().headerFollowsTheSelector ? rate : 11025;
        Bytes header = test::WavBuilder().format(1, 1, announced, 16).data({}, 528000000).bytes();
        header.resize(100, 0);
        for (std::size_t i = 0; i < 4; ++i) header[4 + i] = static_cast<std::uint8_t>(528000036u >> (8 * i));
        EXPECT_EQ(block, header) << "selector " << selector;
    }
}

TEST_P(PlaybackExports, PagesFollowTheVectorsAcrossCallsAndClip) {
    for (int width : {2, 3, 4}) {
        const auto v = test::loadDecoderVector(width, "ovr-a");  // driven to full scale
        ASSERT_EQ(m_dec(11, width, 0, nullptr, nullptr, 1), 0);
        Samples all;
        for (std::size_t at = 0; at < v.codes.size(); at += 1360) {
            const Samples s = page(v, at, std::min<std::size_t>(1360, v.codes.size() - at), width);
            all.insert(all.end(), s.begin(), s.end());
        }
        ASSERT_EQ(all.size(), v.steps.size());
        std::size_t clipped = 0;
        for (std::size_t k = 0; k < all.size(); ++k) {
            ASSERT_EQ(all[k], test::doubledClipped(v.steps[k])) << "width " << width << ", sample " << k;
            clipped += v.steps[k] > 16383 || v.steps[k] < -16384 ? 1u : 0u;
        }
        EXPECT_GT(clipped, 0u) << "the vector of width " << width << " never reaches the clip";
    }
}

TEST_P(PlaybackExports, RefusalsAllocateNothingAndLeaveTheDecoderAlone) {
    const auto v = test::loadDecoderVector(3, "nrm-a");
    const Samples fromReset = page(v, 0, 1360, 3);
    ASSERT_NE(page(v, 0, 1360, 3), fromReset) << "the decoder does not run on";
    const Bytes codes(2048, 5);
    int marker = 0;
    void* slot = &marker;
    EXPECT_EQ(m_dec(7, 2, 2046, codes.data(), &slot, 1), 0) << "reset mode makes no block";
    for (std::int32_t rate : {0, 6, 9, 10, 12, 22, -11}) EXPECT_EQ(m_dec(rate, 3, 1360, codes.data(), &slot, 0), 0) << rate;
    EXPECT_EQ(std::tuple(m_dec(11, 1, 100, codes.data(), &slot, 0), m_dec(11, 5, 100, codes.data(), &slot, 0),
                         m_dec(11, 3, 100, nullptr, &slot, 0), m_dec(11, 3, 100, codes.data(), nullptr, 0)),
              std::tuple(0, 0, 0, 0));
    EXPECT_EQ(slot, &marker);
    EXPECT_EQ(page(v, 0, 1360, 3), fromReset);
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, PlaybackExports,
    ::testing::Values(Library{"PageCodec", [] { return test::loadedPageCodec().pb_adpcm_dec; },
                              [] { return test::loadedPageCodec().SoundSet11k16bit; }, false},
                      Library{"Orvel", [] { return PbAdpcmDec{&pb_adpcm_dec}; }, [] { return SoundSet{&SoundSet11k16bit}; },
                              true}),
    [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace zrc
