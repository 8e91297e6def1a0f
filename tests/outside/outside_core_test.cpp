// The cores behind Corvid and Orvel: the block queue as the audio callback
// drives it, what the wave output reads of a header block, and Orvel's
// lengths against a 32-bit result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <numeric>

#include "block_queue.h"
#include "stream_format.h"
#include "voice_wav.h"
#include "wav_builder.h"

namespace zrc {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::WavBuilder;

Bytes run(std::uint8_t first, std::size_t n) {
    Bytes v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

class BlockQueueTest : public ::testing::Test {
protected:
    // One callback of n bytes: what it wrote.
    Bytes pull(std::size_t n, std::uint8_t silence = 0) {
        Bytes out(n, 0xEE);
        m_taken = m_queue.fill(out, silence);
        return out;
    }
    void* add(const Bytes& bytes) {
        void* block = std::calloc(bytes.size() + 1, 1);
        if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
        m_queue.append(block, bytes.size());
        return block;
    }
    corvid::BlockQueue m_queue;
    std::size_t m_taken = 0;
};

TEST_F(BlockQueueTest, PlaysInOrderAndCountsABlockOnceTheBufferWithItsLastByteHasGone) {
    add(run(1, 10));
    add({});
    add(run(11, 10));
    EXPECT_FALSE(m_queue.drained());
    // Each step: bytes taken by a callback of 8, blocks counted after it.
    // Block 0 ends in the second; the empty one counts with it.
    Bytes heard;
    for (const auto& [taken, played] : std::vector<std::pair<std::size_t, std::uint64_t>>{{8, 0}, {8, 0}, {4, 2}, {0, 3}}) {
        const Bytes out = pull(8, 0x80);
        heard.insert(heard.end(), out.begin(), out.end());
        EXPECT_EQ(m_taken, taken);
        EXPECT_EQ(m_queue.blocksPlayed(), played);
    }
    Bytes expected = run(1, 20);
    expected.resize(32, 0x80);
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(m_queue.bytesDelivered(), 32u);
    EXPECT_TRUE(m_queue.drained());
    // A block queued after the queue ran dry plays and counts like any other.
    add(run(50, 4));
    EXPECT_FALSE(m_queue.drained());
    EXPECT_EQ(pull(6), (Bytes{50, 51, 52, 53, 0, 0}));
    pull(6);
    EXPECT_EQ(m_queue.blocksPlayed(), 4u);
    EXPECT_TRUE(m_queue.drained());
}

TEST_F(BlockQueueTest, FreesBlocksOnceConsumedOnceEachAndAllOnClear) {
    for (int i = 0; i < 5; ++i) add(run(1, 10));
    pull(25);
    m_queue.releaseConsumed();
    EXPECT_EQ(m_queue.blocksHeld(), 3u);  // block 2 is half heard
    m_queue.clear();
    EXPECT_EQ(m_queue.blocksHeld(), 0u);
    EXPECT_EQ(m_queue.blocksPlayed(), 0u);
    EXPECT_EQ(pull(4), Bytes(4, 0));
    // A block handed over twice plays twice and is freed once.
    void* block = add({7, 8, 9});
    m_queue.append(block, 3);
    EXPECT_EQ(m_queue.blocksHeld(), 1u);
    EXPECT_EQ(pull(4), (Bytes{7, 8, 9, 7}));
    m_queue.releaseConsumed();
    EXPECT_TRUE(m_queue.holds(block)) << "the second entry still reads it";
    EXPECT_EQ(pull(3), (Bytes{8, 9, 0}));
    m_queue.releaseConsumed();
    EXPECT_FALSE(m_queue.holds(block));
}

TEST_F(BlockQueueTest, LongPlaybackKeepsCountingPastTheTableCompaction) {
    for (int i = 0; i < 5000; ++i) {
        add(run(static_cast<std::uint8_t>(i), 3));
        ASSERT_EQ(pull(3)[0], static_cast<std::uint8_t>(i)) << "block " << i;
        m_queue.releaseConsumed();
        ASSERT_LE(m_queue.blocksHeld(), 1u);
    }
    pull(3);
    EXPECT_EQ(m_queue.blocksPlayed(), 5000u);
}

// The 100-byte header block a playback starts with.
Bytes headerBlock(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    Bytes bytes = WavBuilder().format(tag, channels, rate, bits).data({}, 528000000).bytes();
    bytes.resize(100, 0);
    return bytes;
}

// The headers Corvid refuses are rows of its own test; here, what it reads
// of a good one, and a "fmt " chunk that must lie within the bytes given.
TEST(StreamFormat, ReadsTheHeaderWithinTheBytesGiven) {
    const Bytes header = headerBlock(1, 2, 22050, 16);
    const auto s = corvid::streamFormatOf(header);
    ASSERT_TRUE(s);
    EXPECT_EQ(std::tuple(s->sampleRate, s->channels, s->bitsPerSample), std::tuple(22050u, 2, 16));
    EXPECT_FALSE(corvid::streamFormatOf(std::span(header).first(30)));
    EXPECT_TRUE(corvid::streamFormatOf(std::span(header).first(36)));
}

// 3e9 bytes of data: a 32-bit result cannot say that (the stretches
// themselves are in Orvel's WAV table).
TEST(VoiceWav, LengthsStopShortOfA32BitResult) {
    for (const std::uint8_t bytesPerSample : {std::uint8_t{1}, std::uint8_t{2}}) {
        const orvel::VoiceWav w{11, static_cast<std::uint8_t>(8 * bytesPerSample), bytesPerSample, 44, 3000000000ull};
        EXPECT_EQ(orvel::reportedDataLength(w), 0x7FFFFFFE);
        EXPECT_EQ(orvel::widenedBytes(orvel::clipStretch(w, 44, 0x7FFFFFFF).bytes, bytesPerSample), 0x7FFFFFFEu);
    }
}

}  // namespace
}  // namespace zrc
