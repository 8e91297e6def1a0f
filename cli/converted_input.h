// A sound file's samples brought to what the encoder takes: one channel at
// 11,025 Hz (or 8,000 Hz) in 16 bits. Channels are averaged, the rate is changed by
// libsoxr at its high quality (20-bit precision, linear phase), values are
// rounded to 16 bits and clipped. Reads the file in blocks as it goes: a WAV
// file by its chunks, any other file through libsndfile.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <variant>
#include <vector>

#include "input_file.h"
#include "riff_wav.h"
#include "sound_file.h"

namespace zrc::cli {

// The rate samples are brought to unless a layout needs 8,000 Hz.
inline constexpr std::uint32_t kConvertedRate = 11025;

// Where the frames come from. A WAV file the chunk walk reads is read that
// way, so that its conversion stays what it always was.
using ConversionSource = std::variant<RiffWav, SoundFileFormat>;
std::uint32_t sampleRateOf(const ConversionSource& source);
std::uint64_t framesOf(const ConversionSource& source);
// "44,100 Hz stereo 24-bit", "44,100 Hz stereo 16-bit FLAC"
std::string describe(const ConversionSource& source);

class ConvertedInput {
public:
    // Throws std::runtime_error when the resampler cannot be set up or the
    // file does not open as the source says; read() throws one when a file
    // libsndfile reads ends before its announced frames.
    ConvertedInput(InputFile& file, const ConversionSource& source, std::uint32_t rate = kConvertedRate);
    ~ConvertedInput();
    ConvertedInput(const ConvertedInput&) = delete;
    ConvertedInput& operator=(const ConvertedInput&) = delete;

    // The converted length: the input's duration at rate, rounded to the
    // nearest sample. What the resampler gives is cut or padded with
    // silence to exactly this many.
    static std::uint64_t outputSamples(const ConversionSource& source, std::uint32_t rate = kConvertedRate);

    // Fills out with the next samples and returns how many of them lie
    // within outputSamples(); those past it are 0.
    std::size_t read(std::span<std::int16_t> out);

    // Samples that reached or passed full scale and were clipped so far.
    std::uint64_t clippedSamples() const { return m_clipped; }

private:
    bool refill();
    void readInput();

    InputFile& m_file;
    const ConversionSource m_source;
    const std::uint64_t m_total;
    std::uint64_t m_given = 0;        // samples handed out by read()
    std::uint64_t m_nextByte;         // file offset of the next frame to read
    std::uint64_t m_framesLeft;
    std::uint64_t m_clipped = 0;

    std::vector<std::uint8_t> m_raw;  // one block of a WAV file's frames as stored
    std::unique_ptr<SoundFileReader> m_soundFile;  // for any other source
    std::vector<float> m_in;          // that block mixed to one channel
    std::size_t m_inPos = 0, m_inEnd = 0;
    std::vector<float> m_out;         // resampled, not yet handed out
    std::size_t m_outPos = 0, m_outEnd = 0;
    bool m_flushed = false;           // the resampler has given its tail

    struct Soxr;
    std::unique_ptr<Soxr> m_soxr;     // none when the rate is already the one asked for
};

}  // namespace zrc::cli
