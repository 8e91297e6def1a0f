// A sound file read back the way players read it: through libsndfile.
// Targets that include this link sndfile.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zrc::test {

struct ReadSound {
    int format = 0;  // SF_FORMAT_*: container | encoding; 0 when unreadable
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;  // 8-bit samples come back times 256
};

inline ReadSound readSound(const std::filesystem::path& file) {
    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    if (f == nullptr) return {};
    ReadSound r{info.format, info.samplerate, info.channels,
                std::vector<std::int16_t>(static_cast<std::size_t>(info.frames * info.channels))};
    r.samples.resize(static_cast<std::size_t>(sf_read_short(f, r.samples.data(), info.frames * info.channels)));
    sf_close(f);
    return r;
}

// The --format name of what a file holds.
inline std::string formatNameOf(const ReadSound& s) {
    switch (s.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV: return "wav";
    case SF_FORMAT_FLAC: return "flac";
    case SF_FORMAT_OGG: return (s.format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? "opus" : "ogg";
    case SF_FORMAT_MPEG: return "mp3";
    default: return "unreadable";
    }
}

}  // namespace zrc::test
