// Files of the formats people share, written by libsndfile.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zrc::test {

// `format` is libsndfile's (SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ...); frames
// hold `channels` samples each. The whole file, or nothing when libsndfile
// refuses the format.
std::vector<std::uint8_t> soundFile(int format, int rate, int channels, const std::vector<std::int16_t>& frames);

// A sound file read back the way players read it.
struct ReadSound {
    int format = 0;  // libsndfile's: container | encoding; 0 when unreadable
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;  // 8-bit samples come back times 256
};
ReadSound readSound(const std::filesystem::path& file);

// The --format name of what a file holds: "wav", "flac", "ogg" (Vorbis),
// "opus", "mp3", else "unreadable".
std::string formatNameOf(const ReadSound& sound);

}  // namespace zrc::test
