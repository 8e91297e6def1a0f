// Any audio file libsndfile reads (FLAC, Ogg Vorbis and Opus, MP3, AIFF,
// WAV in codings the chunk walk does not take...), read through an already
// opened InputFile so that a file cut while it is read shows as with WAV.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "input_file.h"

namespace zrc::cli {

struct SoundFileFormat {
    std::string name;            // "FLAC", "Ogg Vorbis", "MP3", "AIFF"
    std::string coding;          // "16-bit", "32-bit float", "μ-law"; empty for lossy codecs
    unsigned channels = 1;
    std::uint32_t sampleRate = 0;
    std::uint64_t frames = 0;    // as the file announces them; kUnknownFrames when it cannot tell
    // "44,100 Hz stereo 16-bit FLAC", "48,000 Hz mono Ogg Opus"
    std::string describe() const;
};

// An Ogg stream cut before its last page, for one, announces no length.
inline constexpr std::uint64_t kUnknownFrames = UINT64_MAX;

// The file's format when libsndfile reads it, none when it does not.
std::optional<SoundFileFormat> readSoundFileFormat(InputFile& file);

// The frames of a file readSoundFileFormat() took, each the mean of its channels
// (full scale 1.0).
class SoundFileReader {
public:
    // Throws std::runtime_error when the file no longer opens.
    SoundFileReader(InputFile& file, unsigned channels);
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    // Writes up to `frames` values to out; fewer only where the file ends or
    // cannot be decoded further.
    std::size_t read(float* out, std::size_t frames);

private:
    struct Open;
    std::unique_ptr<Open> m_open;
};

}  // namespace zrc::cli
