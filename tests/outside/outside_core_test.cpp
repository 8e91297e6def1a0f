// The cores behind Corvid and Orvel: the block queue as the audio callback
// drives it, the header blocks the wave output accepts, the RIFF walk in
// layouts the WAV exports' files do not show, and how Orvel cuts a stretch
// to the data chunk and to whole samples.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <numeric>

#include "block_queue.h"
#include "stream_format.h"
#include "voice_wav.h"
#include "wav_builder.h"
#include "wave_layout.h"

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
    // One callback of the given size; returns what it wrote.
    Bytes pull(std::size_t n, std::uint8_t silence = 0) {
        Bytes out(n, 0xEE);
        m_taken = m_queue.fill(out, silence);
        return out;
    }
    void* add(const Bytes& bytes) {
        void* block = std::calloc(bytes.empty() ? 1 : bytes.size(), 1);
        if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
        m_queue.append(block, bytes.size());
        return block;
    }
    corvid::BlockQueue m_queue;
    std::size_t m_taken = 0;
};

TEST_F(BlockQueueTest, DeliversEveryByteInOrderAcrossBoundaries) {
    Bytes expected;
    std::uint8_t next = 1;
    for (std::size_t n : {1u, 7u, 16u, 3u, 0u, 33u, 2u}) {
        const Bytes bytes = run(next, n);
        next = static_cast<std::uint8_t>(next + n);
        expected.insert(expected.end(), bytes.begin(), bytes.end());
        add(bytes);
    }
    Bytes heard;
    for (int i = 0; i < 10; ++i) {
        const Bytes out = pull(10, 0x80);
        heard.insert(heard.end(), out.begin(), out.end());
    }
    expected.resize(100, 0x80);
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(m_queue.bytesDelivered(), 100u);
}

TEST_F(BlockQueueTest, ABlockCountsOnceTheBufferWithItsLastByteHasGone) {
    add(run(1, 10));
    add({});
    add(run(1, 10));
    EXPECT_FALSE(m_queue.drained());
    // Each step: bytes taken by the callback, blocks counted after it.
    for (const auto& [taken, played] : std::vector<std::pair<std::size_t, std::uint64_t>>{
             {8, 0}, {8, 0}, {4, 2}, {0, 3}}) {
        pull(8);  // block 0 ends in the second; the empty one counts with it
        EXPECT_EQ(m_taken, taken);
        EXPECT_EQ(m_queue.blocksPlayed(), played);
    }
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
    EXPECT_EQ(m_queue.bytesDelivered(), 15003u);
}

// The 100-byte header block a playback starts with.
Bytes headerBlock(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    Bytes bytes = WavBuilder().format(tag, channels, rate, bits).data({}, 528000000).bytes();
    bytes.resize(100, 0);
    return bytes;
}

TEST(StreamFormat, PlayableAndRefusedHeaders) {
    const auto s = corvid::streamFormatOf(headerBlock(1, 1, 11025, 16));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->sampleRate, 11025u);
    EXPECT_EQ(s->channels, 1);
    EXPECT_EQ(s->bitsPerSample, 16);
    EXPECT_TRUE(corvid::streamFormatOf(headerBlock(1, 2, 48000, 32)));
    EXPECT_TRUE(corvid::streamFormatOf(headerBlock(1, 1, 8000, 8)));
    for (const Bytes& refused : {headerBlock(3, 1, 11025, 32), headerBlock(1, 1, 11025, 24), headerBlock(1, 0, 11025, 16),
                                 headerBlock(1, 9, 11025, 16), headerBlock(1, 1, 0, 16), Bytes(100, 0)}) {
        EXPECT_FALSE(corvid::streamFormatOf(refused));
    }
    // The "fmt " chunk must lie within the bytes given.
    const Bytes header = headerBlock(1, 1, 11025, 16);
    EXPECT_FALSE(corvid::streamFormatOf(std::span(header).first(30)));
    EXPECT_TRUE(corvid::streamFormatOf(std::span(header).first(36)));
}

riff::WaveLayout scan(const Bytes& bytes) {
    riff::SpanSource source(bytes);
    return riff::scanWave(source);
}

TEST(WaveLayout, OddLayouts) {
    // The format after the data, and the first chunk of each kind.
    const auto layout = scan(WavBuilder().data({1, 2, 3, 4}).format(1, 1, 8000, 16).format(1, 2, 44100, 8).data({9, 9}).bytes());
    ASSERT_TRUE(layout.format && layout.data);
    EXPECT_EQ(layout.format->sampleRate, 8000u);
    EXPECT_EQ(layout.data->offset, 20u);
    EXPECT_EQ(layout.data->size, 4u);
    // A "fmt " chunk too short for its fields counts as none.
    const auto shortFormat = scan(WavBuilder().chunk("fmt ", Bytes(14, 1)).data({1}).bytes());
    EXPECT_FALSE(shortFormat.format);
    EXPECT_TRUE(shortFormat.data);
    // A chunk that claims more than the file holds ends the walk.
    Bytes cut = WavBuilder().format(1, 1, 8000, 8).bytes();
    cut.insert(cut.end(), {'J', 'U', 'N', 'K', 0xFF, 0xFF, 0, 0, 1, 2});
    EXPECT_FALSE(scan(cut).data);
    // An extensible format reads as its sub-format when that is plain PCM.
    Bytes extensible = WavBuilder().extensible(1, 1, 11025, 16, 16).data({0, 0}).bytes();
    const auto pcm = scan(extensible);
    ASSERT_TRUE(pcm.format);
    EXPECT_EQ(pcm.format->formatTag, riff::kFormatPcm);
    extensible[20 + 34] = 0x55;  // in the GUID's tail
    const auto other = scan(extensible);
    ASSERT_TRUE(other.format);
    EXPECT_EQ(other.format->formatTag, riff::kFormatExtensible);
}

struct StretchRow {
    const char* what;
    std::uint8_t bytesPerSample;
    std::int64_t start, length;
    std::uint64_t offset, bytes;  // expected
};

// A data chunk of 5,000 bytes at offset 44 (it ends at 5,044).
TEST(VoiceWav, StretchesAreCutToTheDataChunkAndToWholeSamples) {
    for (const StretchRow& c : std::vector<StretchRow>{
             {"inside", 2, 1044, 1000, 1044, 1000}, {"tail", 2, 4044, 1000, 4044, 1000},
             {"over the end", 2, 4544, 1000, 4544, 500}, {"from the header", 2, 0, 1000, 44, 956},
             {"negative start", 1, -100, 200, 44, 56}, {"odd start, 16-bit", 2, 45, 1000, 46, 998},
             {"odd length, 16-bit", 2, 44, 999, 44, 998}, {"odd start, 8-bit", 1, 45, 1000, 45, 1000},
             {"past the end", 2, 5044, 1000, 0, 0}, {"single byte left", 2, 5043, 1000, 0, 0},
             {"zero length", 1, 44, 0, 0, 0}, {"negative length", 1, 44, -5, 0, 0}}) {
        orvel::VoiceWav w;
        w.rateCode = 11;
        w.bitsPerSample = static_cast<std::uint8_t>(8 * c.bytesPerSample);
        w.bytesPerSample = c.bytesPerSample;
        w.dataOffset = 44;
        w.dataSize = 5000;
        const orvel::Stretch s = orvel::clipStretch(w, c.start, c.length);
        EXPECT_EQ(s.bytes, c.bytes) << c.what;
        if (c.bytes > 0) {
            EXPECT_EQ(s.offset, c.offset) << c.what;
        }
        // 3e9 bytes of data: a 32-bit result cannot say that.
        w.dataSize = 3000000000ull;
        EXPECT_EQ(orvel::reportedDataLength(w), 0x7FFFFFFE) << c.what;
        EXPECT_EQ(orvel::widenedBytes(orvel::clipStretch(w, 44, 0x7FFFFFFF).bytes, c.bytesPerSample), 0x7FFFFFFEu);
    }
}

}  // namespace
}  // namespace zrc
