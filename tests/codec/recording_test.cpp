// Recording inspection, page access and code unpacking through the
// library's C exports.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "pagecodec.h"
#include "test_files.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

using test::ZrcBuilder;
using Bytes = std::vector<std::uint8_t>;

bool allFieldsAre(const RecordingInfo& info, std::uint32_t v) {
    RecordingInfo filled;
    std::memset(&filled, 0, sizeof filled);
    filled.rate0 = filled.rate1 = filled.bits0 = filled.bits1 = static_cast<std::uint16_t>(v);
    filled.payloadBytes0 = filled.payloadBytes1 = filled.payloadBits0 = filled.payloadBits1 = static_cast<std::uint16_t>(v);
    filled.seconds0 = filled.seconds1 = static_cast<std::uint16_t>(v);
    filled.pageCount = filled.storedPages0 = filled.storedPages1 = v;
    filled.pageMs0 = filled.pageMs1 = static_cast<std::int32_t>(v);
    return std::memcmp(&info, &filled, sizeof info) == 0;
}

Bytes threePages() {
    return ZrcBuilder().page(Bytes(1360, 1), 3, 0x00).page(Bytes(2046, 2), 2, 0x01).page(Bytes(1360, 5), 3, 0x00).bytes();
}

class RecordingTest : public ::testing::Test {
protected:
    std::string write(const Bytes& bytes, const std::string& name = "rec.zrc") {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name).string();
    }
    test::TempDir m_dir;
};

TEST_F(RecordingTest, DescribesARecordingFromItsHeaderFields) {
    const RecordingInfo info = play_splpget(write(threePages()).c_str());
    EXPECT_EQ(info.rate0, 11);
    EXPECT_EQ(info.rate1, 7);
    EXPECT_EQ(info.bits0, 3);
    EXPECT_EQ(info.bits1, 2);
    EXPECT_EQ(info.payloadBytes0, 510);
    EXPECT_EQ(info.payloadBytes1, 511);
    EXPECT_EQ(info.payloadBits0, 0);
    EXPECT_EQ(info.payloadBits1, 4);
    EXPECT_EQ(info.pageCount, 3u);
    EXPECT_EQ(info.pageMs0, 123);  // 1,360 codes at 11 kHz
    EXPECT_EQ(info.pageMs1, 292);  // 2,046 codes at 7 kHz

    auto bytes = ZrcBuilder().set0({8, 4, 512, 0}).set1({8, 2, 511, 8}).bytes();
    const Bytes fields = {0x34, 0x12, 0x02, 0x00, 0x01, 0x02, 0x03, 0x04, 0x09, 0x00, 0x00, 0x80};
    std::copy(fields.begin(), fields.end(), bytes.begin() + 71);
    const RecordingInfo other = play_splpget(write(bytes).c_str());
    EXPECT_EQ(other.seconds0, 0x1234);
    EXPECT_EQ(other.seconds1, 2);
    EXPECT_EQ(other.storedPages0, 0x04030201u);
    EXPECT_EQ(other.storedPages1, 0x80000009u);
    EXPECT_EQ(other.pageMs0, 1024 / 8);
    EXPECT_EQ(other.pageMs1, 2048 / 8);
    EXPECT_EQ(other.pageCount, 0u);
}

// One change per test of the conformance check, each enough to fail it; and
// the header fields no test looks at.
TEST_F(RecordingTest, ConformanceChecks) {
    struct Row {
        const char* what;
        std::function<void(Bytes&)> change;
        bool conforms;
    };
    const auto set = [](std::size_t at, std::uint8_t v) { return [=](Bytes& b) { b[at] = v; }; };
    const auto cut = [](std::size_t n) { return [=](Bytes& b) { b.resize(n); }; };
    std::vector<Row> rows;
    for (auto [at, v] : std::vector<std::pair<std::size_t, std::uint8_t>>{{0, 'R'}, {3, 'X'}, {8, 'w'}, {11, 'X'}, {12, 'F'},
                                                                          {15, '_'}, {60, 3}, {61, 9}, {61, 0}, {62, 5},
                                                                          {62, 1}, {66, 12}, {67, 5}, {84, 'D'}, {87, 'A'}}) {
        rows.push_back({"one byte", set(at, v), false});
    }
    for (std::size_t n : {0u, 4u, 60u, 88u, 91u}) rows.push_back({"short", cut(n), false});
    rows.push_back({"page size 0", [](Bytes& b) { b[58] = b[59] = 0; }, false});
    rows.push_back({"a WAV file", [](Bytes& b) { std::memcpy(b.data(), "RIFF", 4); }, false});
    rows.push_back({"outer size", set(4, 0), true});
    rows.push_back({"format body size", set(16, 99), true});
    rows.push_back({"payload bytes of set 0", set(63, 0), true});
    rows.push_back({"data size", set(88, 0xEE), true});
    rows.push_back({"header mode 2", set(60, 2), true});
    for (const Row& r : rows) {
        Bytes bytes = threePages();
        r.change(bytes);
        const RecordingInfo info = play_splpget(write(bytes).c_str());
        EXPECT_EQ(allFieldsAre(info, 13), !r.conforms) << r.what << " " << bytes.size();
        if (r.conforms) { EXPECT_EQ(info.pageCount, 3u) << r.what; }
    }
    EXPECT_TRUE(allFieldsAre(play_splpget(m_dir.file("absent.zrc").string().c_str()), 1));
}

TEST_F(RecordingTest, PageCountDividesByThePageSizeField) {
    auto bytes = threePages();
    bytes.resize(92 + 528 * 2 + 527);
    EXPECT_EQ(play_splpget(write(bytes).c_str()).pageCount, 2u);
    bytes.resize(92 + 528 * 3 + 100, 0);
    EXPECT_EQ(play_splpget(write(bytes).c_str()).pageCount, 3u);
    bytes[58] = 100, bytes[59] = 0;  // 1,684 data bytes in pages of 100
    EXPECT_EQ(play_splpget(write(bytes).c_str()).pageCount, 16u);
}

// A page's type is bit 0 of its flag, in the page reader and in the table,
// however many reads of the file the table takes.
TEST_F(RecordingTest, OnlyBitZeroOfTheFlagCounts) {
    ZrcBuilder b;
    Bytes expected;
    for (int k = 0; k < 1000; ++k) {
        b.page({}, 3, static_cast<std::uint8_t>(k % 7 == 3 || k % 11 == 0 ? k | 1 : k & 0xFE));
        expected.push_back(k % 7 == 3 || k % 11 == 0 ? 1 : 0);
    }
    const auto name = write(b.bytes());
    Bytes table(1000, 0xAA), page(528);
    ASSERT_EQ(pb_splptblmk(name.c_str(), table.data(), 1000), 0);
    EXPECT_EQ(table, expected);
    for (int k = 0; k < 256; ++k) {
        EXPECT_EQ(play_1pagerd(name.c_str(), k, page.data()), expected[static_cast<std::size_t>(k)] ? 5 : 0) << k;
    }
}

TEST_F(RecordingTest, PastTheEndEverythingReadsAs0xFF) {
    auto bytes = threePages();
    bytes.resize(92 + 528 * 2 + 300);  // page 2 is partial
    const auto name = write(bytes);
    Bytes page(528, 0);
    EXPECT_EQ(play_1pagerd(name.c_str(), 2, page.data()), 5);
    EXPECT_TRUE(std::equal(page.begin(), page.begin() + 300, bytes.begin() + 92 + 528 * 2));
    EXPECT_TRUE(std::all_of(page.begin() + 300, page.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(play_1pagerd(name.c_str(), 1000, page.data()), 5);
    EXPECT_EQ(page, Bytes(528, 0xFF));
    Bytes table(5, 0xAA);
    ASSERT_EQ(pb_splptblmk(name.c_str(), table.data(), 5), 0);
    EXPECT_EQ(table, (Bytes{0, 1, 1, 1, 1}));
}

TEST(PageTable, PlayingTimeAndCounters) {
    const Bytes mixed = {0, 1, 0, 2, 7};
    EXPECT_EQ(get_time(mixed.data(), 0, 123, 292), 123);
    EXPECT_EQ(get_time(mixed.data(), 1, 123, 292), 415);
    EXPECT_EQ(get_time(mixed.data(), 3, 123, 292), 2 * 123 + 292);  // the 2 adds nothing
    EXPECT_EQ(get_time(Bytes(3, 1).data(), 2, 0, 1'000'000'000), 2'147'483'647) << "holds at the top";
    std::uint32_t counters[2] = {99, 99};
    EXPECT_EQ(splp_pageno(mixed.data(), counters, 4), 0);
    EXPECT_EQ(counters[0], 2u);
    EXPECT_EQ(counters[1], 1u);
    EXPECT_EQ(splp_pageno(mixed.data(), counters, 0), 0);
    EXPECT_EQ(counters[0] + counters[1], 0u);
}

// --- pb_exdata ------------------------------------------------------------------

constexpr std::uint8_t kSentinel = 0xEE;

TEST(Unpack, PackingExamplesOfTheFormat) {
    struct Row {
        std::int16_t width;
        Bytes bytes, codes;
    };
    for (const Row& r : {Row{3, {0x88, 0xC6, 0xFA}, {0, 1, 2, 3, 4, 5, 6, 7}}, Row{2, {0x39}, {1, 2, 3, 0}},
                         Row{4, {0xA5, 0x5A}, {5, 10, 10, 5}}}) {
        Bytes page = r.bytes, codes(2048, kSentinel);
        page.resize(528, 0xFF);
        ASSERT_EQ(pb_exdata(r.width, static_cast<std::int16_t>(r.bytes.size()), 0, page.data(), codes.data()),
                  static_cast<std::int16_t>(r.codes.size()));
        EXPECT_EQ(Bytes(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(r.codes.size())), r.codes);
        EXPECT_EQ(codes[r.codes.size()], kSentinel);
    }
}

// Every width, whole bytes around the group boundaries and extra bits,
// against codes packed one bit at a time.
TEST(Unpack, MatchesTheBitPackerForEveryLayout) {
    std::mt19937 rng(1234);
    for (int width = 2; width <= 4; ++width) {
        for (int bytes : {0, 1, 2, 3, 4, 5, 6, 7, 100, 101, 102, 509, 510, 511, 512}) {
            for (int extra = 0; extra <= 8 && bytes * 8 + extra <= 4096; ++extra) {
                const auto count = static_cast<std::size_t>((bytes * 8 + extra) / width);
                const Bytes expected = test::randomCodes(count, width, rng);
                auto page = test::packCodes(expected, width);
                page.resize(528, 0xFF);
                Bytes codes(2049, kSentinel);
                ASSERT_EQ(pb_exdata(static_cast<std::int16_t>(width), static_cast<std::int16_t>(bytes),
                                    static_cast<std::int16_t>(extra), page.data(), codes.data()),
                          static_cast<std::int16_t>(count))
                    << width << " " << bytes << " " << extra;
                EXPECT_TRUE(std::equal(expected.begin(), expected.end(), codes.begin())) << width << " " << bytes << " " << extra;
                EXPECT_EQ(codes[count], kSentinel) << "wrote past the count";
            }
        }
    }
}

TEST(Unpack, RefusesArgumentsThatCouldLeaveThePage) {
    const Bytes page(528, 0xFF);
    Bytes codes(2048, kSentinel);
    const struct {
        std::int16_t width, bytes, extra;
    } refused[] = {{1, 10, 0}, {5, 10, 0}, {0, 10, 0}, {-3, 10, 0}, {3, -1, 0},
                   {3, 10, -1}, {3, 10, 9}, {2, 512, 1}, {2, 513, 0}, {4, 32767, 8}};
    for (const auto& r : refused) {
        EXPECT_EQ(pb_exdata(r.width, r.bytes, r.extra, page.data(), codes.data()), 0) << r.width << " " << r.bytes << " " << r.extra;
    }
    EXPECT_EQ(codes, Bytes(2048, kSentinel));
    EXPECT_EQ(pb_exdata(2, 511, 8, page.data(), codes.data()), 2048) << "the largest payload that passes";
}

}  // namespace
}  // namespace zrc
