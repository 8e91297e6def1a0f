// The block queue as the audio callback drives it: gapless order across
// block and buffer boundaries, when a block counts as played, and who frees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <numeric>
#include <vector>

#include "block_queue.h"

namespace zrc::corvid {
namespace {

void* callocCopy(const std::vector<std::uint8_t>& bytes) {
    void* block = std::calloc(bytes.empty() ? 1 : bytes.size(), 1);
    if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

std::vector<std::uint8_t> run(std::uint8_t first, std::size_t n) {
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

class BlockQueueTest : public ::testing::Test {
protected:
    // One callback of the given size; returns what it wrote.
    std::vector<std::uint8_t> pull(std::size_t n, std::uint8_t silence = 0) {
        std::vector<std::uint8_t> out(n, 0xEE);
        m_taken = m_queue.fill(out, silence);
        return out;
    }
    void add(const std::vector<std::uint8_t>& bytes) { m_queue.append(callocCopy(bytes), bytes.size()); }

    BlockQueue m_queue;
    std::size_t m_taken = 0;
};

TEST_F(BlockQueueTest, DeliversEveryByteInOrderAcrossBoundaries) {
    const std::vector<std::size_t> sizes{1, 7, 16, 3, 0, 33, 2};
    std::vector<std::uint8_t> expected;
    std::uint8_t next = 1;
    for (std::size_t n : sizes) {
        const auto bytes = run(next, n);
        next = static_cast<std::uint8_t>(next + n);
        expected.insert(expected.end(), bytes.begin(), bytes.end());
        add(bytes);
    }
    std::vector<std::uint8_t> heard;
    for (int i = 0; i < 10; ++i) {
        const auto out = pull(10, 0x80);
        heard.insert(heard.end(), out.begin(), out.end());
    }
    ASSERT_EQ(heard.size(), 100u);
    EXPECT_EQ(std::vector<std::uint8_t>(heard.begin(), heard.begin() + 62), expected);
    for (std::size_t i = 62; i < heard.size(); ++i) ASSERT_EQ(heard[i], 0x80) << "byte " << i;
    EXPECT_EQ(m_queue.bytesDelivered(), 100u);
}

TEST_F(BlockQueueTest, ABlockCountsOnceTheBufferWithItsLastByteHasGone) {
    add(run(1, 10));
    add(run(1, 10));
    EXPECT_EQ(m_queue.blocksPlayed(), 0u);
    EXPECT_FALSE(m_queue.drained());

    pull(8);  // inside block 0
    EXPECT_EQ(m_queue.blocksPlayed(), 0u);
    pull(8);  // takes the end of block 0
    EXPECT_EQ(m_taken, 8u);
    EXPECT_EQ(m_queue.blocksPlayed(), 0u);
    pull(8);  // block 0's last byte is with the device: it counts now
    EXPECT_EQ(m_taken, 4u);
    EXPECT_EQ(m_queue.blocksPlayed(), 1u);
    EXPECT_FALSE(m_queue.drained());
    pull(8);  // only silence: block 1 counts, nothing is left
    EXPECT_EQ(m_taken, 0u);
    EXPECT_EQ(m_queue.blocksPlayed(), 2u);
    EXPECT_TRUE(m_queue.drained());

    // A block queued after the queue ran dry plays and counts like any other.
    add(run(50, 4));
    EXPECT_FALSE(m_queue.drained());
    EXPECT_EQ(pull(6), (std::vector<std::uint8_t>{50, 51, 52, 53, 0, 0}));
    pull(6);
    EXPECT_EQ(m_queue.blocksPlayed(), 3u);
    EXPECT_TRUE(m_queue.drained());
}

TEST_F(BlockQueueTest, EmptyBlocksCountInTheirPlace) {
    add(run(1, 4));
    add({});
    add({});
    add(run(9, 4));
    pull(4);
    pull(2);
    EXPECT_EQ(m_queue.blocksPlayed(), 3u);  // block 0 and the two empty ones
    pull(2);
    EXPECT_EQ(m_queue.blocksPlayed(), 3u);
    pull(2);
    EXPECT_EQ(m_queue.blocksPlayed(), 4u);
}

TEST_F(BlockQueueTest, FreesBlocksOnceConsumedAndAllOnClear) {
    for (int i = 0; i < 5; ++i) add(run(1, 10));
    EXPECT_EQ(m_queue.blocksHeld(), 5u);
    pull(25);
    m_queue.releaseConsumed();
    EXPECT_EQ(m_queue.blocksHeld(), 3u);  // block 2 is half heard
    m_queue.clear();
    EXPECT_EQ(m_queue.blocksHeld(), 0u);
    EXPECT_EQ(m_queue.blocksPlayed(), 0u);
    EXPECT_EQ(pull(4), (std::vector<std::uint8_t>(4, 0)));
    EXPECT_TRUE(m_queue.drained());
}

TEST_F(BlockQueueTest, LongPlaybackKeepsCountingPastTheTableCompaction) {
    constexpr int kBlocks = 5000;
    std::uint64_t delivered = 0;
    for (int i = 0; i < kBlocks; ++i) {
        add(run(static_cast<std::uint8_t>(i), 3));
        const auto out = pull(3);
        ASSERT_EQ(out[0], static_cast<std::uint8_t>(i)) << "block " << i;
        delivered += 3;
        m_queue.releaseConsumed();
        ASSERT_LE(m_queue.blocksHeld(), 1u);
    }
    pull(3);
    EXPECT_EQ(m_queue.blocksPlayed(), static_cast<std::uint64_t>(kBlocks));
    EXPECT_TRUE(m_queue.drained());
    EXPECT_EQ(m_queue.bytesDelivered(), delivered + 3);
}

TEST_F(BlockQueueTest, ABlockHandedOverTwicePlaysTwiceAndIsFreedOnce) {
    void* block = callocCopy({7, 8, 9});
    m_queue.append(block, 3);
    m_queue.append(block, 3);
    EXPECT_EQ(m_queue.blocksHeld(), 1u);
    EXPECT_EQ(pull(4), (std::vector<std::uint8_t>{7, 8, 9, 7}));
    m_queue.releaseConsumed();
    EXPECT_TRUE(m_queue.holds(block));  // the second entry still reads it
    EXPECT_EQ(pull(3), (std::vector<std::uint8_t>{8, 9, 0}));
    m_queue.releaseConsumed();
    EXPECT_FALSE(m_queue.holds(block));
}

}  // namespace
}  // namespace zrc::corvid
