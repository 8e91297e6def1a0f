// Files of the formats people share, written by libsndfile.
#pragma once

#include <cstdint>
#include <vector>

namespace zrc::test {

// `format` is libsndfile's (SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ...); frames
// hold `channels` samples each. The whole file, or nothing when libsndfile
// refuses the format.
std::vector<std::uint8_t> soundFile(int format, int rate, int channels, const std::vector<std::int16_t>& frames);

}  // namespace zrc::test
