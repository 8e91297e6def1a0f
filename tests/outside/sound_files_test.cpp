// Speech into the shared formats: what comes back out of each file, read by
// libsndfile as any player would read it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "sound_files.h"
#include "sound_writer.h"
#include "speech_envelope.h"
#include "test_files.h"
#include "wav_builder.h"

namespace zrc::sound {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::samplesOf16BitWav;

struct Row {
    const char* name;
    SoundFormat format;
    int rate;          // asked for; 0: the samples' own
    int fileRate;      // what the file must hold
    int frameSamples;  // the codec's frame at the file's rate: how far the length may stray
};

class SoundWriterTest : public ::testing::TestWithParam<Row> {};

TEST_P(SoundWriterTest, GivesBackTheSpeech) {
    const Row row = GetParam();
    const std::vector<std::int16_t> speech = samplesOf16BitWav(readFile(fs::path(ZRC_SAMPLES_DIR) / "greet-11k16.wav"));
    const fs::path file = fs::temp_directory_path() / (std::string("sound_writer_") + row.name);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    DescriptorSink sink(fd);
    SoundWriter writer(sink, 11025, {row.format, 16, row.rate, kDefaultQuality});
    ASSERT_TRUE(writer.ok()) << writer.error();
    // In pieces of a page's samples, as the decoder hands them over.
    for (std::size_t at = 0; at < speech.size(); at += 1360) {
        ASSERT_TRUE(writer.write(std::span(speech).subspan(at, std::min<std::size_t>(1360, speech.size() - at))));
    }
    ASSERT_TRUE(writer.finish()) << writer.error();
    ::close(fd);

    const test::ReadSound back = test::readSound(file);
    fs::remove(file);
    EXPECT_EQ(back.rate, row.fileRate);
    EXPECT_EQ(back.channels, 1);
    const double expected = std::round(static_cast<double>(speech.size()) * row.fileRate / 11025);
    EXPECT_NEAR(static_cast<double>(back.samples.size()), expected, row.frameSamples);
    if (!traitsOf(row.format).lossy && row.fileRate == 11025) {
        EXPECT_EQ(back.samples, speech);
        return;
    }
    const double c = test::envelopeCorrelation(speech, 11025, back.samples, back.rate);
    // At about 30 kbit/s every format keeps the envelope above 0.97 on this
    // speech. Shifted by 60 ms it gives 0.70, cut in half 0.43, read at
    // 12,000 Hz as written at 11,025 Hz 0.25, noise 0.04.
    EXPECT_GT(c, 0.95);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundWriterTest,
    ::testing::Values(Row{"wav", SoundFormat::Wav, 0, 11025, 0}, Row{"flac", SoundFormat::Flac, 0, 11025, 0},
                      Row{"flac48k", SoundFormat::Flac, 48000, 48000, 0}, Row{"ogg", SoundFormat::Ogg, 0, 11025, 2048},
                      Row{"opus", SoundFormat::Opus, 0, 12000, 240}, Row{"mp3", SoundFormat::Mp3, 0, 11025, 1152},
                      Row{"mp3_16k", SoundFormat::Mp3, 16000, 16000, 1152}),
    [](const auto& param) { return std::string(param.param.name); });

// A disk that fills after `room` bytes.
class FullSink : public SoundSink {
public:
    explicit FullSink(std::uint64_t room) : m_room(room) {}
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        if (offset + bytes.size() > m_room) return false;
        m_size = std::max<std::uint64_t>(m_size, offset + bytes.size());
        return true;
    }
    std::uint64_t size() const override { return m_size; }

private:
    std::uint64_t m_room, m_size = 0;
};

TEST(SoundWriterFailures, ReportedNotSwallowed) {
    // Noise: FLAC would pack a steady tone into a few bytes.
    std::vector<std::int16_t> noise(11025 * 10);
    std::uint32_t seed = 1;
    for (std::int16_t& s : noise) s = static_cast<std::int16_t>((seed = seed * 1664525 + 1013904223) >> 20);
    struct Case {
        SoundFormat format;
        int bits;
        std::uint64_t room;
    };
    for (const Case c : {Case{SoundFormat::Ogg, 8, 1 << 20}, Case{SoundFormat::Mp3, 8, 1 << 20},
                         Case{SoundFormat::Flac, 16, 4096}, Case{SoundFormat::Opus, 16, 4096},
                         Case{SoundFormat::Mp3, 16, 4096}, Case{SoundFormat::Flac, 8, 0}}) {
        FullSink sink(c.room);
        SoundWriter writer(sink, 11025, {c.format, c.bits, 0, kDefaultQuality});
        const bool written = writer.ok() && writer.write(noise) && writer.finish();
        EXPECT_FALSE(written) << traitsOf(c.format).name << " " << c.bits << " bits in " << c.room << " bytes";
        EXPECT_FALSE(writer.error().empty());
    }
}

}  // namespace
}  // namespace zrc::sound
