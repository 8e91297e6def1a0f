// Walking RIFF chunks in layouts the files of the WAV exports do not show,
// and which header blocks the wave output accepts.
#include <gtest/gtest.h>

#include <vector>

#include "stream_format.h"
#include "wav_builder.h"
#include "wave_layout.h"

namespace zrc {
namespace {

using test::WavBuilder;

riff::WaveLayout scan(const std::vector<std::uint8_t>& bytes) {
    riff::SpanSource source(bytes);
    return riff::scanWave(source);
}

TEST(WaveLayout, FindsFormatAfterDataAndTakesTheFirstOfEach) {
    const auto bytes = WavBuilder()
                           .data({1, 2, 3, 4})
                           .format(1, 1, 8000, 16)
                           .format(1, 2, 44100, 8)
                           .data({9, 9})
                           .bytes();
    const auto layout = scan(bytes);
    ASSERT_TRUE(layout.format && layout.data);
    EXPECT_EQ(layout.format->sampleRate, 8000u);
    EXPECT_EQ(layout.data->offset, 20u);
    EXPECT_EQ(layout.data->size, 4u);
}

TEST(WaveLayout, BrokenChunks) {
    // A "fmt " chunk too short for its fields counts as none.
    const auto shortFormat = scan(WavBuilder().chunk("fmt ", std::vector<std::uint8_t>(14, 1)).data({1}).bytes());
    EXPECT_FALSE(shortFormat.format);
    EXPECT_TRUE(shortFormat.data);

    // A chunk that claims more than the file holds ends the walk.
    auto cut = WavBuilder().format(1, 1, 8000, 8).bytes();
    cut.insert(cut.end(), {'J', 'U', 'N', 'K', 0xFF, 0xFF, 0, 0, 1, 2});
    EXPECT_FALSE(scan(cut).data);
}

TEST(WaveLayout, ExtensibleFormatReadsAsItsSubFormat) {
    std::vector<std::uint8_t> body;
    test::putLe16(body, 0xFFFE);
    test::putLe16(body, 1);
    test::putLe32(body, 11025);
    test::putLe32(body, 22050);
    test::putLe16(body, 2);
    test::putLe16(body, 16);
    test::putLe16(body, 22);  // extension size
    test::putLe16(body, 16);  // valid bits
    test::putLe32(body, 4);   // channel mask
    const std::vector<std::uint8_t> pcmGuid{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    auto withGuid = body;
    withGuid.insert(withGuid.end(), pcmGuid.begin(), pcmGuid.end());
    const auto pcm = scan(WavBuilder().chunk("fmt ", withGuid).data({0, 0}).bytes());
    ASSERT_TRUE(pcm.format);
    EXPECT_EQ(pcm.format->formatTag, riff::kFormatPcm);

    auto otherGuid = withGuid;
    otherGuid[body.size() + 10] = 0x55;
    const auto other = scan(WavBuilder().chunk("fmt ", otherGuid).data({0, 0}).bytes());
    ASSERT_TRUE(other.format);
    EXPECT_EQ(other.format->formatTag, riff::kFormatExtensible);
}

// The 100-byte header block a playback starts with: 44 header bytes whose
// sizes are streaming placeholders, then zeros.
std::vector<std::uint8_t> headerBlock(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                      std::uint16_t bits) {
    auto bytes = WavBuilder().format(tag, channels, rate, bits).data({}, 528000000).bytes();
    bytes.resize(100, 0);
    return bytes;
}

TEST(StreamFormat, PlayableHeaders) {
    const auto s = corvid::streamFormatOf(headerBlock(1, 1, 11025, 16));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->sampleRate, 11025u);
    EXPECT_EQ(s->channels, 1);
    EXPECT_EQ(s->bitsPerSample, 16);
    EXPECT_TRUE(corvid::streamFormatOf(headerBlock(1, 2, 48000, 32)));
    EXPECT_TRUE(corvid::streamFormatOf(headerBlock(1, 1, 8000, 8)));
}

TEST(StreamFormat, RefusedHeaders) {
    EXPECT_FALSE(corvid::streamFormatOf(headerBlock(3, 1, 11025, 32)));  // float
    EXPECT_FALSE(corvid::streamFormatOf(headerBlock(1, 1, 11025, 24)));
    EXPECT_FALSE(corvid::streamFormatOf(headerBlock(1, 0, 11025, 16)));
    EXPECT_FALSE(corvid::streamFormatOf(headerBlock(1, 9, 11025, 16)));
    EXPECT_FALSE(corvid::streamFormatOf(headerBlock(1, 1, 0, 16)));
    EXPECT_FALSE(corvid::streamFormatOf(std::vector<std::uint8_t>(100, 0)));
    // The "fmt " chunk must lie within the bytes given.
    const auto header = headerBlock(1, 1, 11025, 16);
    EXPECT_FALSE(corvid::streamFormatOf(std::span(header).first(30)));
    EXPECT_TRUE(corvid::streamFormatOf(std::span(header).first(36)));
}

}  // namespace
}  // namespace zrc
