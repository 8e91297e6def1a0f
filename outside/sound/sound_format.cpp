#include "sound_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace zrc::sound {

namespace {

constexpr std::array<FormatTraits, 5> kFormats{{
    {SoundFormat::Wav, "wav", ".wav", "WAV", false, true},
    {SoundFormat::Flac, "flac", ".flac", "FLAC", false, true},
    {SoundFormat::Ogg, "ogg", ".ogg", "Ogg Vorbis", true, false},
    {SoundFormat::Opus, "opus", ".opus", "Ogg Opus", true, false},
    {SoundFormat::Mp3, "mp3", ".mp3", "MP3", true, false},
}};

constexpr std::array<int, 5> kOpusRates{8000, 12000, 16000, 24000, 48000};
constexpr std::array<int, 9> kMp3Rates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

}  // namespace

std::span<const FormatTraits> allFormats() { return kFormats; }

const FormatTraits& traitsOf(SoundFormat format) {
    return *std::find_if(kFormats.begin(), kFormats.end(), [&](const FormatTraits& t) { return t.format == format; });
}

std::optional<SoundFormat> formatNamed(std::string_view name) {
    for (const FormatTraits& t : kFormats) {
        if (t.name == name) return t.format;
    }
    return std::nullopt;
}

std::optional<SoundFormat> formatOfFileName(const std::filesystem::path& name) {
    std::string extension = name.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const FormatTraits& t : kFormats) {
        if (t.extension == extension) return t.format;
    }
    return std::nullopt;
}

int rateFor(SoundFormat format, int rate) {
    std::span<const int> held;
    if (format == SoundFormat::Opus) held = kOpusRates;
    if (format == SoundFormat::Mp3) held = kMp3Rates;
    if (held.empty()) return rate;
    const auto above = std::find_if(held.begin(), held.end(), [&](int r) { return r >= rate; });
    return above == held.end() ? held.back() : *above;
}

std::uint64_t maxFileBytes(SoundFormat format, int rate, std::uint64_t samples, int bits) {
    // Room for headers, tags and the encoders' last frames.
    constexpr std::uint64_t kOverhead = 64 * 1024;
    const std::uint64_t pcmBytes = samples * static_cast<std::uint64_t>(bits / 8);
    switch (format) {
        case SoundFormat::Wav:
        case SoundFormat::Flac:  // FLAC stores a frame verbatim when it cannot shrink it
            return pcmBytes + pcmBytes / 64 + kOverhead;
        default: {
            // No lossy encoder here spends more than 320 kbit/s on mono.
            const std::uint64_t seconds = samples / static_cast<std::uint64_t>(std::max(rate, 1)) + 1;
            return seconds * 320'000 / 8 + kOverhead;
        }
    }
}

}  // namespace zrc::sound
