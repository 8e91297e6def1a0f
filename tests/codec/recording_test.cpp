// Recording inspection, page access and code unpacking through the
// library's C exports.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <random>
#include <tuple>
#include <vector>

#include "pagecodec.h"
#include "test_files.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

using test::ZrcBuilder;
using Bytes = std::vector<std::uint8_t>;

// The fields of a record as numbers, in their order.
std::vector<long> fieldsOf(const RecordingInfo& i) {
    return {i.rate0, i.rate1, i.bits0, i.bits1, i.payloadBytes0, i.payloadBytes1, i.payloadBits0, i.payloadBits1,
            i.pageCount, i.seconds0, i.seconds1, i.storedPages0, i.storedPages1, i.pageMs0, i.pageMs1};
}

// The bytes with those at the given offsets replaced.
Bytes with(Bytes b, std::initializer_list<std::pair<std::size_t, std::uint8_t>> changes) {
    for (auto [at, v] : changes) b.at(at) = v;
    return b;
}

const Bytes kThreePages =
    ZrcBuilder().page(Bytes(1360, 1), 3, 0x00).page(Bytes(2046, 2), 2, 0x01).page(Bytes(1360, 5), 3, 0x00).bytes();

class RecordingTest : public ::testing::Test {
protected:
    std::string write(const Bytes& bytes) {
        test::writeFile(m_dir.file("rec.zrc"), bytes);
        return m_dir.file("rec.zrc").string();
    }
    test::TempDir m_dir;
};

// Page durations: 1,360 codes at 11 kHz, 2,046 at 7 kHz, 1,024 and 2,048 at 8.
TEST_F(RecordingTest, DescribesARecordingFromItsHeaderFields) {
    EXPECT_EQ(fieldsOf(play_splpget(write(kThreePages).c_str())),
              (std::vector<long>{11, 7, 3, 2, 510, 511, 0, 4, 3, 0, 0, 3, 0, 123, 292}));
    auto bytes = ZrcBuilder().set0({8, 4, 512, 0}).set1({8, 2, 511, 8}).bytes();
    const Bytes fields = {0x34, 0x12, 0x02, 0x00, 0x01, 0x02, 0x03, 0x04, 0x09, 0x00, 0x00, 0x80};
    std::copy(fields.begin(), fields.end(), bytes.begin() + 71);
    EXPECT_EQ(fieldsOf(play_splpget(write(bytes).c_str())),
              (std::vector<long>{8, 8, 4, 2, 512, 511, 0, 8, 0, 0x1234, 2, 0x04030201, 0x80000009L, 128, 256}));
}

// One change per test of the conformance check, each enough to fail it
// (short files and a page size of 0 among them), then the header fields that
// no test looks at. The page count divides the data by the page size field.
TEST_F(RecordingTest, ConformanceChecksAndPageCount) {
    std::vector<std::pair<Bytes, std::uint32_t>> rows;  // page count 13: not a recording
    for (auto [at, v] : std::vector<std::pair<std::size_t, std::uint8_t>>{
             {0, 'R'}, {3, 'X'}, {8, 'w'}, {11, 'X'}, {12, 'F'}, {15, '_'}, {60, 3}, {61, 9}, {61, 0}, {62, 5}, {62, 1},
             {66, 12}, {67, 5}, {84, 'D'}, {87, 'A'}}) {
        rows.push_back({with(kThreePages, {{at, v}}), 13});
    }
    rows.push_back({with(kThreePages, {{58, 0}, {59, 0}}), 13});
    for (std::size_t n : {0u, 4u, 60u, 88u, 91u}) rows.push_back({Bytes(kThreePages.begin(), kThreePages.begin() + long(n)), 13});
    for (auto [at, v] : std::vector<std::pair<std::size_t, std::uint8_t>>{{4, 0}, {16, 99}, {63, 0}, {88, 0xEE}, {60, 2}}) {
        rows.push_back({with(kThreePages, {{at, v}}), 3});
    }
    Bytes cut = kThreePages, longer = kThreePages;
    cut.resize(92 + 528 * 2 + 527);
    longer.resize(92 + 528 * 3 + 100, 0);
    rows.push_back({cut, 2});
    rows.push_back({longer, 3});
    rows.push_back({with(longer, {{58, 100}, {59, 0}}), 16});  // 1,684 data bytes in pages of 100
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const RecordingInfo info = play_splpget(write(rows[k].first).c_str());
        EXPECT_EQ(info.pageCount, rows[k].second) << "row " << k;
        EXPECT_EQ(fieldsOf(info) == std::vector<long>(15, 13), rows[k].second == 13) << "row " << k;
    }
    // Neither a missing file nor a folder is read as bytes of 0xFF.
    for (const auto& name : {m_dir.file("absent.zrc"), m_dir.path()}) {
        EXPECT_EQ(fieldsOf(play_splpget(name.c_str())), std::vector<long>(15, 1)) << name;
        Bytes page(528, 0x5A), table(2, 0x5A);
        EXPECT_EQ(play_1pagerd(name.c_str(), 0, page.data()) + pb_splptblmk(name.c_str(), table.data(), 2), 2) << name;
        EXPECT_EQ(page, Bytes(528, 0x5A));
        EXPECT_EQ(table, Bytes(2, 0x5A));
    }
}

// A page's type is bit 0 of its flag, in the page reader and in the table,
// however many reads of the file the table takes. Past the end of the file
// everything reads as 0xFF, a partial last page included.
TEST_F(RecordingTest, PagesAndTheirTypes) {
    ZrcBuilder b;
    Bytes expected, table(1003, 0xAA), page(528);
    for (int k = 0; k < 1000; ++k) {
        const bool type1 = k % 7 == 3 || k % 11 == 0;
        b.page(k == 999 ? Bytes(1360, 5) : Bytes{}, 3, static_cast<std::uint8_t>(type1 ? k | 1 : k & 0xFE));
        expected.push_back(type1 ? 1 : 0);
    }
    Bytes bytes = b.bytes();
    bytes.resize(bytes.size() - 228);  // the last page ends before its flag
    const auto name = write(bytes);
    ASSERT_EQ(pb_splptblmk(name.c_str(), table.data(), 1003), 0);
    expected.back() = 1;
    expected.insert(expected.end(), {1, 1, 1});
    EXPECT_EQ(table, expected);
    for (int k = 0; k < 256; ++k) {
        EXPECT_EQ(play_1pagerd(name.c_str(), k, page.data()), expected[static_cast<std::size_t>(k)] ? 5 : 0) << k;
    }
    EXPECT_EQ(play_1pagerd(name.c_str(), 999, page.data()), 5);
    EXPECT_TRUE(std::equal(page.begin(), page.begin() + 300, bytes.end() - 300));
    EXPECT_EQ(Bytes(page.begin() + 300, page.end()), Bytes(228, 0xFF));
    EXPECT_EQ(play_1pagerd(name.c_str(), 5000, page.data()), 5);
    EXPECT_EQ(page, Bytes(528, 0xFF));
}

TEST(PageTable, PlayingTimeAndCounters) {
    const Bytes mixed = {0, 1, 0, 2, 7};
    EXPECT_EQ(get_time(mixed.data(), 0, 123, 292), 123);
    EXPECT_EQ(get_time(mixed.data(), 1, 123, 292), 415);
    EXPECT_EQ(get_time(mixed.data(), 3, 123, 292), 2 * 123 + 292);  // the 2 adds nothing
    EXPECT_EQ(get_time(Bytes(3, 1).data(), 2, 0, 1'000'000'000), 2'147'483'647) << "holds at the top";
    std::array<std::uint32_t, 2> counters = {99, 99};
    EXPECT_EQ(splp_pageno(mixed.data(), counters.data(), 4), 0);
    EXPECT_EQ(counters, (std::array<std::uint32_t, 2>{2, 1}));  // 0 and 1 entries among the first 4
    EXPECT_EQ(splp_pageno(mixed.data(), counters.data(), 0), 0);
    EXPECT_EQ(counters, (std::array<std::uint32_t, 2>{0, 0}));
}

// --- pb_exdata ------------------------------------------------------------------

constexpr std::uint8_t kSentinel = 0xEE;

// The format's packing examples, then every width, whole bytes around the
// group boundaries and extra bits against codes packed one bit at a time;
// nothing is written past the count.
TEST(Unpack, MatchesThePackingOfTheFormat) {
    for (const auto& [width, bytes, expected] : {std::tuple<int, Bytes, Bytes>{3, {0x88, 0xC6, 0xFA}, {0, 1, 2, 3, 4, 5, 6, 7}},
                                                 {2, {0x39}, {1, 2, 3, 0}}, {4, {0xA5, 0x5A}, {5, 10, 10, 5}}}) {
        EXPECT_EQ(test::packCodes(expected, width), bytes);
    }
    std::mt19937 rng(1234);
    for (int width = 2; width <= 4; ++width) {
        for (int bytes : {0, 1, 2, 3, 4, 5, 6, 7, 100, 101, 102, 509, 510, 511, 512}) {
            for (int extra = 0; extra <= 8 && bytes * 8 + extra <= 4096; ++extra) {
                const auto count = static_cast<std::size_t>((bytes * 8 + extra) / width);
                const Bytes expected = test::randomCodes(count, width, rng);
                Bytes page = test::packCodes(expected, width), codes(2049, kSentinel);
                page.resize(528, 0xFF);
                ASSERT_EQ(pb_exdata(static_cast<std::int16_t>(width), static_cast<std::int16_t>(bytes), static_cast<std::int16_t>(extra),
                                    page.data(), codes.data()), static_cast<std::int16_t>(count)) << width << " " << bytes << " " << extra;
                EXPECT_TRUE(std::equal(expected.begin(), expected.end(), codes.begin()) && codes[count] == kSentinel) << width << " " << bytes << " " << extra;
            }
        }
    }
}

TEST(Unpack, RefusesArgumentsThatCouldLeaveThePage) {
    const Bytes page(528, 0xFF);
    Bytes codes(2048, kSentinel);
    for (auto [width, bytes, extra] : std::vector<std::array<std::int16_t, 3>>{{1, 10, 0}, {5, 10, 0}, {0, 10, 0}, {-3, 10, 0}, {3, -1, 0},
                                                                               {3, 10, -1}, {3, 10, 9}, {2, 512, 1}, {2, 513, 0}, {4, 32767, 8}}) {
        EXPECT_EQ(pb_exdata(width, bytes, extra, page.data(), codes.data()), 0) << width << " " << bytes << " " << extra;
    }
    EXPECT_EQ(codes, Bytes(2048, kSentinel));
    EXPECT_EQ(pb_exdata(2, 511, 8, page.data(), codes.data()), 2048) << "the largest payload that passes";
}

}  // namespace
}  // namespace zrc
