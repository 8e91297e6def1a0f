// Recording inspection and page access through the library's C exports.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "pagecodec.h"
#include "test_files.h"
#include "zrc_builder.h"

namespace zrc {
namespace {

using test::ZrcBuilder;

bool allFieldsEqual(const RecordingInfo& info, std::uint32_t v) {
    return info.rate0 == v && info.rate1 == v && info.bits0 == v && info.bits1 == v &&
           info.payloadBytes0 == v && info.payloadBytes1 == v && info.payloadBits0 == v &&
           info.payloadBits1 == v && info.pageCount == v && info.seconds0 == v && info.seconds1 == v &&
           info.storedPages0 == v && info.storedPages1 == v && info.pageMs0 == static_cast<std::int32_t>(v) &&
           info.pageMs1 == static_cast<std::int32_t>(v);
}

class RecordingTest : public ::testing::Test {
protected:
    std::string write(const std::vector<std::uint8_t>& bytes, const std::string& name = "rec.zrc") {
        const auto path = m_dir.file(name);
        test::writeFile(path, bytes);
        return path.string();
    }
    std::vector<std::uint8_t> threePages() {
        return ZrcBuilder()
            .page(std::vector<std::uint8_t>(1360, 1), 3, 0x00)
            .page(std::vector<std::uint8_t>(2046, 2), 2, 0x01)
            .page(std::vector<std::uint8_t>(1360, 5), 3, 0x00)
            .bytes();
    }
    test::TempDir m_dir;
};

TEST_F(RecordingTest, DescribesAWrittenRecording) {
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
    EXPECT_EQ(info.storedPages0, 3u);
    EXPECT_EQ(info.pageMs0, 123);  // 1,360 codes at 11 kHz
    EXPECT_EQ(info.pageMs1, 292);  // 2,046 codes at 7 kHz
}

TEST_F(RecordingTest, ReadsTheFieldsInTheirPlaces) {
    auto bytes = ZrcBuilder().set0({8, 4, 512, 0}).set1({8, 2, 511, 8}).bytes();
    bytes[71] = 0x34, bytes[72] = 0x12;  // seconds0
    bytes[73] = 0x02, bytes[74] = 0x00;  // seconds1
    bytes[75] = 0x01, bytes[76] = 0x02, bytes[77] = 0x03, bytes[78] = 0x04;
    bytes[79] = 0x09, bytes[80] = 0x00, bytes[81] = 0x00, bytes[82] = 0x80;
    const RecordingInfo info = play_splpget(write(bytes).c_str());
    EXPECT_EQ(info.seconds0, 0x1234);
    EXPECT_EQ(info.seconds1, 2);
    EXPECT_EQ(info.storedPages0, 0x04030201u);
    EXPECT_EQ(info.storedPages1, 0x80000009u);
    EXPECT_EQ(info.pageMs0, 1024 / 8);
    EXPECT_EQ(info.pageMs1, 2048 / 8);
    EXPECT_EQ(info.pageCount, 0u);
}

TEST_F(RecordingTest, MissingFileAndFolderGiveTheAllOneRecord) {
    EXPECT_TRUE(allFieldsEqual(play_splpget(m_dir.file("absent.zrc").string().c_str()), 1));
    EXPECT_TRUE(allFieldsEqual(play_splpget(m_dir.path().string().c_str()), 1));
}

TEST_F(RecordingTest, EveryConformanceTestRejects) {
    // One change per test of the conformance check, each enough to fail it.
    const std::vector<std::pair<std::size_t, std::uint8_t>> breaks = {
        {0, 'R'}, {3, 'X'}, {8, 'w'}, {11, 'X'}, {12, 'F'}, {15, '_'}, {60, 3},  {61, 9},
        {61, 0},  {62, 5}, {62, 1}, {66, 12}, {67, 5}, {84, 'D'}, {87, 'A'},
    };
    for (const auto& [offset, value] : breaks) {
        auto bytes = threePages();
        bytes[offset] = value;
        EXPECT_TRUE(allFieldsEqual(play_splpget(write(bytes).c_str()), 13)) << "offset " << offset;
    }
    // An ordinary WAV file is not a recording either.
    auto wav = threePages();
    std::memcpy(wav.data(), "RIFF", 4);
    EXPECT_TRUE(allFieldsEqual(play_splpget(write(wav).c_str()), 13));
}

TEST_F(RecordingTest, NothingElseIsTested) {
    auto bytes = threePages();
    bytes[4] = bytes[5] = 0;          // outer size
    bytes[16] = 99;                   // format body size
    bytes[63] = bytes[64] = 0;        // payload bytes of set 0
    bytes[88] = bytes[89] = 0xEE;     // data size
    bytes[60] = 2;                    // header mode 2 is accepted
    bytes.resize(bytes.size() - 1);   // a trailing partial page
    const RecordingInfo info = play_splpget(write(bytes).c_str());
    EXPECT_EQ(info.rate0, 11);
    EXPECT_EQ(info.pageCount, 2u);
}

TEST_F(RecordingTest, ShortFilesAndZeroPageSizeAreNotRecordings) {
    const auto full = ZrcBuilder().bytes();  // exactly 92 bytes: conforming, no pages
    const RecordingInfo empty = play_splpget(write(full).c_str());
    EXPECT_EQ(empty.rate0, 11);
    EXPECT_EQ(empty.pageCount, 0u);
    for (std::size_t length : {0u, 4u, 60u, 88u, 91u}) {
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_TRUE(allFieldsEqual(play_splpget(write(cut).c_str()), 13)) << length << " bytes";
    }
    EXPECT_TRUE(allFieldsEqual(play_splpget(write(ZrcBuilder().pageSize(0).bytes()).c_str()), 13));
}

TEST_F(RecordingTest, PageCountDividesByThePageSizeField) {
    auto bytes = threePages();
    bytes.resize(92 + 528 * 2 + 527);
    EXPECT_EQ(play_splpget(write(bytes).c_str()).pageCount, 2u);
    bytes.resize(92 + 528 * 3 + 100, 0);
    EXPECT_EQ(play_splpget(write(bytes).c_str()).pageCount, 3u);
    // A recorder page size of 100 over the same 1,684 data bytes: 16 pages.
    bytes[58] = 100, bytes[59] = 0;
    EXPECT_EQ(play_splpget(write(bytes).c_str()).pageCount, 16u);
}

// A page's type is bit 0 of its flag; its bytes: PastTheEndEverythingReadsAs0xFF.
TEST_F(RecordingTest, OnlyBitZeroOfTheFlagCounts) {
    ZrcBuilder b;
    for (int flag = 0; flag < 256; ++flag) b.page({}, 3, static_cast<std::uint8_t>(flag));
    const auto name = write(b.bytes());
    std::vector<std::uint8_t> table(256, 0xAA);
    ASSERT_EQ(pb_splptblmk(name.c_str(), table.data(), 256), 0);
    std::vector<std::uint8_t> page(528);
    for (int flag = 0; flag < 256; ++flag) {
        EXPECT_EQ(table[static_cast<std::size_t>(flag)], flag & 1) << flag;
        EXPECT_EQ(play_1pagerd(name.c_str(), flag, page.data()), (flag & 1) ? 5 : 0) << flag;
    }
}

TEST_F(RecordingTest, PastTheEndEverythingReadsAs0xFF) {
    auto bytes = threePages();
    bytes.resize(92 + 528 * 2 + 300);  // page 2 is partial
    const auto name = write(bytes);
    std::vector<std::uint8_t> page(528, 0);
    EXPECT_EQ(play_1pagerd(name.c_str(), 2, page.data()), 5);
    EXPECT_TRUE(std::equal(page.begin(), page.begin() + 300, bytes.begin() + 92 + 528 * 2));
    EXPECT_TRUE(std::all_of(page.begin() + 300, page.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(play_1pagerd(name.c_str(), 1000, page.data()), 5);
    EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](auto b) { return b == 0xFF; }));

    std::vector<std::uint8_t> table(5, 0xAA);
    ASSERT_EQ(pb_splptblmk(name.c_str(), table.data(), 5), 0);
    EXPECT_EQ(table, (std::vector<std::uint8_t>{0, 1, 1, 1, 1}));
}

TEST_F(RecordingTest, PageTypeTableOfALongRecording) {
    // More pages than one read of the table covers, with a pattern that
    // shifts against the read size.
    ZrcBuilder b;
    std::vector<std::uint8_t> expected;
    for (int k = 0; k < 1000; ++k) {
        const bool type1 = (k % 7 == 3) || (k % 11 == 0);
        b.page({}, 2, type1 ? 0x01 : 0x00);
        expected.push_back(type1 ? 1 : 0);
    }
    std::vector<std::uint8_t> table(1000);
    ASSERT_EQ(pb_splptblmk(write(b.bytes()).c_str(), table.data(), 1000), 0);
    EXPECT_EQ(table, expected);
}

TEST(PlayingTime, SumsEntriesUpToTheLastIndexInclusive) {
    const std::vector<std::uint8_t> mixed = {0, 1, 0, 2};
    EXPECT_EQ(get_time(mixed.data(), 0, 123, 292), 123);
    EXPECT_EQ(get_time(mixed.data(), 1, 123, 292), 415);
    EXPECT_EQ(get_time(mixed.data(), 3, 123, 292), 2 * 123 + 292);  // the 2 adds nothing
    const std::vector<std::uint8_t> ten0(10, 0), ten1(10, 1);
    EXPECT_EQ(get_time(ten0.data(), 9, 123, 292), 1230);
    EXPECT_EQ(get_time(ten1.data(), 9, 123, 292), 2920);
}

TEST(PlayingTime, HoldsAtTheTopInsteadOfWrapping) {
    const std::vector<std::uint8_t> table(3, 1);
    EXPECT_EQ(get_time(table.data(), 2, 0, 1'000'000'000), 2'147'483'647);
}

TEST(PageCounters, CountTypeZeroAndTypeOneEntries) {
    const std::vector<std::uint8_t> table = {0, 1, 1, 7, 0};
    std::uint32_t counters[2] = {99, 99};
    EXPECT_EQ(splp_pageno(table.data(), counters, 4), 0);
    EXPECT_EQ(counters[0], 1u);
    EXPECT_EQ(counters[1], 2u);
    EXPECT_EQ(splp_pageno(table.data(), counters, 0), 0);
    EXPECT_EQ(counters[0], 0u);
    EXPECT_EQ(counters[1], 0u);
}

}  // namespace
}  // namespace zrc
