// The cores behind Corvid and Orvel, where their C interfaces cannot show a fault plainly.
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

Bytes run(std::uint8_t first, std::size_t n) {
    Bytes v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

class BlockQueueTest : public ::testing::Test {
protected:
    Bytes pull(std::size_t n, std::uint8_t silence = 0) {  // one callback: what it wrote
        Bytes out(n, 0xEE);
        m_queue.fill(out, silence);
        return out;
    }
    void add(const Bytes& bytes) {
        void* block = std::calloc(bytes.size() + 1, 1);
        if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
        m_queue.append(block, bytes.size());
    }
    corvid::BlockQueue m_queue;
};

// The player follows the sound by this count; a slow decoder lets the queue run dry.
TEST_F(BlockQueueTest, CountsABlockOnceHeardAndPlaysOneQueuedAfterItRanDry) {
    add(run(1, 10));
    add({});
    EXPECT_EQ(pull(8), run(1, 8));
    EXPECT_EQ(pull(8, 0x80), (Bytes{9, 10, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80}));
    EXPECT_EQ(m_queue.blocksPlayed(), 0u) << "counted while its last bytes were in the device's buffer";
    pull(8);
    EXPECT_EQ(m_queue.blocksPlayed(), 2u) << "the empty block counts with the one before it";
    EXPECT_TRUE(m_queue.drained());
    add(run(50, 4));
    EXPECT_EQ(pull(6), (Bytes{50, 51, 52, 53, 0, 0}));
    pull(6);
    EXPECT_EQ(m_queue.blocksPlayed(), 3u);
}

// An hour of blocks: the table of played ones is compacted unheard.
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

// The disk driver plays any rate alike: only here does a misread header show.
TEST(StreamFormat, ReadsTheHeaderWithinTheBytesGiven) {
    const Bytes header = test::WavBuilder().format(1, 2, 22050, 16).data({}, 528000000).bytes();
    const auto s = corvid::streamFormatOf(header);
    ASSERT_TRUE(s);
    EXPECT_EQ(std::tuple(s->sampleRate, s->channels, s->bitsPerSample), std::tuple(22050u, 2, 16));
}

// Test playback's stretches of a 5,000-byte chunk at 44: within it, on whole samples, within a 32-bit result.
TEST(VoiceWav, StretchesStayInTheChunkOnWholeSamplesWithinA32BitResult) {
    struct Row {
        const char* what;
        std::uint8_t bytesPerSample;
        std::int64_t start, length;
        std::uint64_t offset, bytes, dataSize = 5000;  // expected: the stretch [offset, offset + bytes)
    };
    for (const Row& c : std::vector<Row>{
             {"inside", 2, 1044, 1000, 1044, 1000}, {"over the end", 2, 4544, 1000, 4544, 500},
             {"from the header", 2, 0, 1000, 44, 956}, {"negative start", 1, -100, 200, 44, 56},
             {"odd start, 16-bit", 2, 45, 1000, 46, 998}, {"odd length, 16-bit", 2, 44, 999, 44, 998},
             {"odd start, 8-bit", 1, 45, 1000, 45, 1000}, {"past the end", 2, 5044, 1000, 0, 0},
             {"single byte left", 2, 5043, 1000, 0, 0}, {"zero length", 1, 44, 0, 0, 0}, {"negative length", 1, 44, -5, 0, 0},
             {"16-bit, beyond 32 bits", 2, 44, 0x7FFFFFFF, 44, 0x7FFFFFFE, 3000000000ull},
             {"8-bit, beyond 32 bits", 1, 44, 0x7FFFFFFF, 44, 0x3FFFFFFF, 3000000000ull}}) {
        const orvel::VoiceWav w{11, static_cast<std::uint8_t>(8 * c.bytesPerSample), c.bytesPerSample, 44, c.dataSize};
        const orvel::Stretch s = orvel::clipStretch(w, c.start, c.length);
        EXPECT_EQ(s.bytes, c.bytes) << c.what;
        EXPECT_TRUE(c.bytes == 0 || s.offset == c.offset) << c.what << ": from " << s.offset;
        EXPECT_LE(orvel::widenedBytes(s.bytes, c.bytesPerSample), 0x7FFFFFFEu) << c.what;
        if (c.dataSize > 5000) { EXPECT_EQ(orvel::reportedDataLength(w), 0x7FFFFFFE); }
    }
}

}  // namespace
}  // namespace zrc
