// The audio formats recordings go out to, as people share them, and what
// each can hold. The files themselves are written by libsndfile.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace zrc::sound {

enum class SoundFormat { Wav, Flac, Ogg, Opus, Mp3 };

struct FormatTraits {
    SoundFormat format;
    std::string_view name;       // as --format takes it: "flac"
    std::string_view extension;  // of an output name: ".flac"
    std::string_view title;      // for people: "FLAC"
    bool lossy;
    bool holds8Bit;  // 8-bit samples are a choice, not a loss of the format's own
};

std::span<const FormatTraits> allFormats();
const FormatTraits& traitsOf(SoundFormat format);
std::optional<SoundFormat> formatNamed(std::string_view name);
// By the name's extension, in any case; none for an extension no format has.
std::optional<SoundFormat> formatOfFileName(const std::filesystem::path& name);

// The rate a file of the format is written at for samples at `rate`: the
// same where the format can hold it, else the nearest it holds above it
// (Opus: 8, 12, 16, 24 or 48 kHz; MP3: the MPEG rates from 8 to 48 kHz),
// the highest it holds for a rate above them all.
int rateFor(SoundFormat format, int rate);

// Quality of the lossy formats, 0 (smallest) to 10 (best).
inline constexpr int kMaxQuality = 10;
// Speech from the recorder is narrow-band (at most 5.5 kHz wide) and mono:
// at 4 each lossy format spends about 30 kbit/s on it, a sixth of the 16-bit
// WAV file at 11,025 Hz, and every syllable stays clear; lower, Vorbis and
// MP3 begin to smear the consonants.
inline constexpr int kDefaultQuality = 4;

// The most bytes a file of `samples` samples at `rate` (after rateFor) can
// take, for a free-space check before writing; generous for the lossy
// formats, whose size depends on the sound.
std::uint64_t maxFileBytes(SoundFormat format, int rate, std::uint64_t samples, int bits);

}  // namespace zrc::sound
