// pb_exdata: the packing examples of the format, every layout against an
// independent bit-by-bit packer, and the argument checks.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pagecodec.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

constexpr std::uint8_t kSentinel = 0xEE;

std::vector<std::uint8_t> pageOf(std::vector<std::uint8_t> bytes) {
    bytes.resize(528, 0xFF);
    return bytes;
}

TEST(Unpack, PackingExamplesOfTheFormat) {
    std::vector<std::uint8_t> codes(2048, kSentinel);
    auto p3 = pageOf({0x88, 0xC6, 0xFA});
    ASSERT_EQ(pb_exdata(3, 3, 0, p3.data(), codes.data()), 8);
    EXPECT_EQ(std::vector<std::uint8_t>(codes.begin(), codes.begin() + 8),
              (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(codes[8], kSentinel);

    auto p2 = pageOf({0x39});
    ASSERT_EQ(pb_exdata(2, 1, 0, p2.data(), codes.data()), 4);
    EXPECT_EQ(std::vector<std::uint8_t>(codes.begin(), codes.begin() + 4), (std::vector<std::uint8_t>{1, 2, 3, 0}));

    auto p4 = pageOf({0xA5, 0x5A});
    ASSERT_EQ(pb_exdata(4, 2, 0, p4.data(), codes.data()), 4);
    EXPECT_EQ(std::vector<std::uint8_t>(codes.begin(), codes.begin() + 4), (std::vector<std::uint8_t>{5, 10, 10, 5}));
}

// Every combination of width, whole bytes (around the group boundaries) and
// extra bits against codes packed one bit at a time.
TEST(Unpack, MatchesTheBitPackerForEveryLayout) {
    std::mt19937 rng(1234);
    for (int width = 2; width <= 4; ++width) {
        for (int bytes : {0, 1, 2, 3, 4, 5, 6, 7, 100, 101, 102, 509, 510, 511, 512}) {
            for (int extra = 0; extra <= 8; ++extra) {
                const int bits = bytes * 8 + extra;
                if (bits > 4096) continue;
                const auto count = static_cast<std::size_t>(bits / width);
                std::vector<std::uint8_t> expected(count);
                for (auto& c : expected) c = static_cast<std::uint8_t>(rng() & ((1u << width) - 1));
                auto page = test::packCodes(expected, width);
                page.resize(528, 0xFF);
                std::vector<std::uint8_t> codes(2049, kSentinel);
                ASSERT_EQ(pb_exdata(static_cast<int16_t>(width), static_cast<int16_t>(bytes),
                                    static_cast<int16_t>(extra), page.data(), codes.data()),
                          static_cast<int16_t>(count))
                    << "width " << width << " bytes " << bytes << " extra " << extra;
                EXPECT_TRUE(std::equal(expected.begin(), expected.end(), codes.begin()))
                    << "width " << width << " bytes " << bytes << " extra " << extra;
                EXPECT_EQ(codes[count], kSentinel) << "wrote past the count";
            }
        }
    }
}

TEST(Unpack, RefusesArgumentsThatCouldLeaveThePage) {
    const auto page = pageOf({});
    std::vector<std::uint8_t> codes(2048, kSentinel);
    const struct {
        int16_t width, bytes, extra;
    } refused[] = {{1, 10, 0}, {5, 10, 0}, {0, 10, 0}, {-3, 10, 0}, {3, -1, 0},
                   {3, 10, -1}, {3, 10, 9}, {2, 512, 1}, {2, 513, 0}, {4, 32767, 8}};
    for (const auto& r : refused) {
        EXPECT_EQ(pb_exdata(r.width, r.bytes, r.extra, page.data(), codes.data()), 0)
            << r.width << " " << r.bytes << " " << r.extra;
    }
    EXPECT_EQ(codes, std::vector<std::uint8_t>(2048, kSentinel));
    // The largest payload that passes fills the code buffer exactly.
    EXPECT_EQ(pb_exdata(2, 512, 0, page.data(), codes.data()), 2048);
    EXPECT_EQ(pb_exdata(2, 511, 8, page.data(), codes.data()), 2048);
}

}  // namespace
}  // namespace zrc
