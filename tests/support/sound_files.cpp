#include "sound_files.h"

#include <sndfile.h>

#include "test_files.h"

namespace zrc::test {

std::vector<std::uint8_t> soundFile(int format, int rate, int channels, const std::vector<std::int16_t>& frames) {
    const TempDir dir;
    const std::string name = dir.file("sound").string();
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* f = sf_open(name.c_str(), SFM_WRITE, &info);
    if (f == nullptr) return {};
    const auto n = static_cast<sf_count_t>(frames.size()) / channels;
    const bool written = sf_writef_short(f, frames.data(), n) == n;
    return sf_close(f) == 0 && written ? readFile(name) : std::vector<std::uint8_t>{};
}

ReadSound readSound(const std::filesystem::path& file) {
    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    if (f == nullptr) return {};
    ReadSound r{info.format, info.samplerate, info.channels,
                std::vector<std::int16_t>(static_cast<std::size_t>(info.frames * info.channels))};
    r.samples.resize(static_cast<std::size_t>(sf_read_short(f, r.samples.data(), info.frames * info.channels)));
    sf_close(f);
    return r;
}

std::string formatNameOf(const ReadSound& sound) {
    switch (sound.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV: return "wav";
    case SF_FORMAT_FLAC: return "flac";
    case SF_FORMAT_OGG: return (sound.format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? "opus" : "ogg";
    case SF_FORMAT_MPEG: return "mp3";
    default: return "unreadable";
    }
}

}  // namespace zrc::test
