// Pages as the encoder lays them out, and the sample reader under them.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "page_encoder.h"
#include "test_files.h"
#include "unpack.h"
#include "wav_sample_reader.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

using Page = std::array<std::uint8_t, kPageSize>;

std::vector<std::int16_t> speechLikeNoise(std::size_t n, unsigned seed) {
    // A random walk keeps neighbouring samples related, as speech does, so
    // the predictor has something to adapt to.
    std::mt19937 rng(seed);
    std::vector<std::int16_t> x(n);
    int v = 0;
    for (auto& s : x) {
        v = std::clamp(v + static_cast<int>(rng() % 4001) - 2000, -30000, 30000);
        s = static_cast<std::int16_t>(v);
    }
    return x;
}

// Against the bit-by-bit packer, which the unpacker's tests tie to the
// format's worked bytes.
TEST(PackCodes, AgreesWithBitByBitPacking) {
    std::mt19937 rng(3);
    for (int width : {2, 3, 4}) {
        for (std::size_t n : {1u, 2u, 5u, 7u, 8u, 9u, 1360u, 1365u, 2046u, 2048u}) {
            if (n * static_cast<std::size_t>(width) > 4096) continue;
            std::vector<std::uint8_t> codes(n);
            for (auto& c : codes) c = static_cast<std::uint8_t>(rng() & ((1u << width) - 1));
            std::vector<std::uint8_t> out((n * static_cast<std::size_t>(width) + 7) / 8, 0xEE);
            packCodes(codes, width, out.data());
            ASSERT_EQ(out, test::packCodes(codes, width)) << "width " << width << ", " << n << " codes";
        }
    }
}

class PageLayoutTest : public ::testing::TestWithParam<PageLayout> {};

TEST_P(PageLayoutTest, PayloadUnpacksToTheEncodersCodesAndTheRestIsTrailer) {
    const PageLayout layout = GetParam();
    const std::uint32_t n = layout.codesPerPage();
    const auto x = speechLikeNoise(n, 11);

    Encoder paged;
    paged.reset();
    Page page{};
    encodePage(paged, x, n, layout, page);

    Encoder reference;
    reference.reset();
    std::vector<std::uint8_t> expected(n);
    reference.encode(x.data(), n, layout.width, expected.data());
    EXPECT_EQ(paged.state(), reference.state());

    std::vector<std::uint8_t> codes(kMaxCodesPerPage);
    const int count = unpackCodes(layout.width, static_cast<int>(layout.payloadBits / 8),
                                  static_cast<int>(layout.payloadBits % 8), page.data(), codes.data());
    ASSERT_EQ(count, static_cast<int>(n));
    codes.resize(n);
    EXPECT_EQ(codes, expected);

    // Bits of the last payload byte past the payload are 0; whole bytes past
    // it are 0xFF filler; byte 512 is the flag.
    const std::size_t payloadBytes = (layout.payloadBits + 7) / 8;
    if (layout.payloadBits % 8 != 0) {
        EXPECT_EQ(page[payloadBytes - 1] >> (layout.payloadBits % 8), 0);
    }
    for (std::size_t k = payloadBytes; k < kPageSize; ++k) {
        if (k == kPageFlagOffset) {
            EXPECT_EQ(page[k], layout.width == 2 ? 1 : 0);
        } else {
            ASSERT_EQ(page[k], 0xFF) << "byte " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PageLayoutTest,
                         ::testing::Values(kLayout11025, kLayout8000, *freeLayout(4096, 2), *freeLayout(4096, 3),
                                           *freeLayout(4096, 4), *freeLayout(100, 3), *freeLayout(8 * 300 + 5, 4)),
                         [](const auto& p) {
                             return "w" + std::to_string(p.param.width) + "_" + std::to_string(p.param.payloadBits) +
                                    "bits" + (p.param.pastEnd == PastEnd::AllOnesCode ? "_allOnes" : "");
                         });

TEST(EncodePage, AllOnesPastTheEndLeavesTheStateAlone) {
    const auto x = speechLikeNoise(1360, 21);
    Encoder e;
    e.reset();
    Page page{};
    encodePage(e, x, 1000, kLayout11025, page);

    Encoder onlyPresent;
    onlyPresent.reset();
    std::vector<std::uint8_t> expected(1360, 7);
    onlyPresent.encode(x.data(), 1000, 3, expected.data());
    EXPECT_EQ(e.state(), onlyPresent.state());

    std::vector<std::uint8_t> codes(1360);
    unpackCodes(3, 510, 0, page.data(), codes.data());
    EXPECT_EQ(codes, expected);
}

class SampleReaderTest : public ::testing::Test {
protected:
    InputFile fileWith(const std::vector<std::uint8_t>& bytes) {
        test::writeFile(m_dir.file("s.raw"), bytes);
        return InputFile(m_dir.file("s.raw").string().c_str());
    }
    test::TempDir m_dir;
};

TEST_F(SampleReaderTest, EightAndSixteenBitSamplesAndTheCutLastOne) {
    InputFile f8 = fileWith({9, 0, 128, 255, 1});
    std::array<std::int16_t, 6> s8{};
    EXPECT_EQ(WavSampleReader(f8, 1, 8).read(s8), 4u);  // 8-bit: centred and scaled
    EXPECT_EQ(s8, (std::array<std::int16_t, 6>{-32768, 0, 32512, -32512, 0, 0}));
    InputFile f16 = fileWith({0x34, 0x12, 0x00, 0x80, 0xFF, 0xFF, 0x7B});
    std::array<std::int16_t, 5> s16{};
    EXPECT_EQ(WavSampleReader(f16, 0, 16).read(s16), 4u);  // the cut sample starts within the file
    EXPECT_EQ(s16, (std::array<std::int16_t, 5>{0x1234, -32768, -1, 0x7B, 0}));
}

TEST_F(SampleReaderTest, ReadsAcrossBlocksInAnyPieces) {
    const auto x = speechLikeNoise(40000, 8);
    std::vector<std::uint8_t> bytes{0xAA};  // an odd start
    for (auto v : x) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
    }
    InputFile f = fileWith(bytes);
    WavSampleReader r(f, 1, 16);
    std::vector<std::int16_t> got;
    std::vector<std::int16_t> piece(2046);
    std::size_t present = 0;
    while (got.size() < 42000) {
        present += r.read(piece);
        got.insert(got.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(present, x.size());
    EXPECT_TRUE(std::equal(x.begin(), x.end(), got.begin()));
    EXPECT_TRUE(std::all_of(got.begin() + 40000, got.end(), [](std::int16_t v) { return v == 0; }));
}

}  // namespace
}  // namespace zrc
