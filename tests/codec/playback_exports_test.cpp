// pb_adpcm_dec and SoundSet11k16bit through the shared library: blocks,
// reset mode, the decoder running on from call to call, refusals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "g726_vectors.h"
#include "pagecodec.h"

namespace zrc {
namespace {

// Takes a block from a slot, copies its samples and frees it, as a caller does.
std::vector<std::int16_t> takeBlock(void*& slot, std::int32_t samples) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(samples));
    std::memcpy(out.data(), slot, out.size() * 2);
    std::free(slot);
    slot = nullptr;
    return out;
}

class PlaybackExportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pb_adpcm_dec(11, 3, 0, nullptr, nullptr, 1), 0); }
    test::DecoderVector m_w3 = test::loadDecoderVector(3, "nrm-a");
};

TEST_F(PlaybackExportTest, PagesContinueOneAnotherAcrossCalls) {
    std::vector<std::int16_t> all;
    for (int page = 0; page < 3; ++page) {
        void* slot = nullptr;
        const std::int32_t n = pb_adpcm_dec(11, 3, 1360, m_w3.codes.data() + 1360 * page, &slot, 0);
        ASSERT_EQ(n, 1360);
        ASSERT_NE(slot, nullptr);
        for (auto s : takeBlock(slot, n)) all.push_back(s);
    }
    for (std::size_t k = 0; k < all.size(); ++k) {
        ASSERT_EQ(all[k], test::doubledClipped(m_w3.steps[k])) << "first mismatch at " << k;
    }
}

TEST_F(PlaybackExportTest, ResetModeRestartsWithoutABlock) {
    void* slot = nullptr;
    takeBlock(slot, pb_adpcm_dec(11, 3, 1360, m_w3.codes.data(), &slot, 0));
    // Without a reset the same codes decode differently now.
    const std::int32_t n = pb_adpcm_dec(11, 3, 1360, m_w3.codes.data(), &slot, 0);
    const auto carriedOn = takeBlock(slot, n);
    std::vector<std::int16_t> fromReset;
    for (std::size_t k = 0; k < 1360; ++k) fromReset.push_back(test::doubledClipped(m_w3.steps[k]));
    EXPECT_NE(carriedOn, fromReset);

    int marker = 0;
    slot = &marker;
    EXPECT_EQ(pb_adpcm_dec(7, 2, 2046, m_w3.codes.data(), &slot, 1), 0);
    EXPECT_EQ(slot, &marker) << "reset mode leaves the slot alone";
    slot = nullptr;
    EXPECT_EQ(takeBlock(slot, pb_adpcm_dec(11, 3, 1360, m_w3.codes.data(), &slot, 0)), fromReset);
}

TEST_F(PlaybackExportTest, UnsupportedRateReturnsZeroAndAllocatesNothing) {
    const std::vector<std::uint8_t> codes(2048, 1);
    int marker = 0;
    for (std::int32_t rate : {0, 6, 9, 10, 12, 22}) {
        void* slot = &marker;
        EXPECT_EQ(pb_adpcm_dec(rate, 3, 1360, codes.data(), &slot, 0), 0) << rate;
        EXPECT_EQ(slot, &marker) << rate;
    }
    void* slot = &marker;
    EXPECT_EQ(pb_adpcm_dec(11, 5, 100, codes.data(), &slot, 0), 0);
    EXPECT_EQ(pb_adpcm_dec(11, 3, 100, codes.data(), nullptr, 0), 0);
    EXPECT_EQ(slot, &marker);
    // None of the refusals moved the decoder: it still starts from reset.
    slot = nullptr;
    const auto first = takeBlock(slot, pb_adpcm_dec(11, 3, 1360, m_w3.codes.data(), &slot, 0));
    EXPECT_EQ(first[1359], test::doubledClipped(m_w3.steps[1359]));
}

TEST_F(PlaybackExportTest, ShortPagesAtRates7And8PlaySilenceAfterTheirCodes) {
    void* slot = nullptr;
    const std::int32_t n = pb_adpcm_dec(8, 2, 16, m_w3.codes.data(), &slot, 0);
    ASSERT_EQ(n, 2816);
    const auto s = takeBlock(slot, n);
    // Inputs 0-15 fill groups 0 and 1 (outputs 0-21); the rest is silence.
    for (std::size_t o = 22; o < s.size(); ++o) ASSERT_EQ(s[o], 0) << o;
}

TEST(SoundSetExport, SameHundredBytesThroughBothOutputsForEverySelector) {
    std::vector<std::uint8_t> first;
    for (std::int32_t selector : {11, 22, 8, 0, -5}) {
        void* slot = nullptr;
        std::vector<std::uint8_t> buffer(104, 0xEE);
        ASSERT_EQ(SoundSet11k16bit(&slot, selector, buffer.data()), 0);
        ASSERT_NE(slot, nullptr);
        const std::vector<std::uint8_t> block(static_cast<std::uint8_t*>(slot), static_cast<std::uint8_t*>(slot) + 100);
        std::free(slot);
        EXPECT_EQ(buffer[100], 0xEE) << "wrote past 100 bytes";
        buffer.resize(100);
        EXPECT_EQ(block, buffer);
        if (first.empty()) first = block;
        EXPECT_EQ(block, first) << "selector " << selector;
    }
    const std::vector<std::uint8_t> header{'R', 'I', 'F', 'F', 0x24, 0xA4, 0x78, 0x1F, 'W', 'A', 'V', 'E',
                                           'f', 'm', 't', ' ', 16,   0,    0,    0,    1,   0,   1,   0,
                                           0x11, 0x2B, 0,  0,   0x22, 0x56, 0,    0,    2,   0,   16,  0,
                                           'd', 'a', 't', 'a', 0x00, 0xA4, 0x78, 0x1F};
    EXPECT_EQ(std::vector<std::uint8_t>(first.begin(), first.begin() + 44), header);
    for (std::size_t i = 44; i < 100; ++i) EXPECT_EQ(first[i], 0) << i;
}

}  // namespace
}  // namespace zrc
