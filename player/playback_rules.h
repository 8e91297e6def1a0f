// Decisions of a playback run that need no window.
#pragma once

#include <cstdint>
#include <optional>

#include "pagecodec.h"

namespace zrc::player {

// What the page road needs of a parameter set, in the widths the codec's
// calls take.
struct PageParameters {
    std::int16_t rate;
    std::int16_t width;
    std::int16_t payloadBytes;
    std::int16_t payloadBits;
};

// The parameter set (0 or 1) of a page that play_1pagerd read with result
// `pageResult`: 0 for a type-0 page, 5 for a type-1 page. Any other result
// (the file could not be read, or the reader could not be called) says
// nothing about the page, so the previous page's set stays; the first page
// of a run has none to keep and takes set 0.
int parameterSetOf(std::optional<std::int16_t> pageResult, std::optional<int> previous);

PageParameters pageParameters(const RecordingInfo& info, int set);

// Selector of the header block: 11 for play, 22 (double speed) for cue and
// review.
std::int32_t headerSelector(std::int16_t playMode);

// Bytes of a block of `samples` 16-bit samples, as the wave output takes
// them; a count no decoder can produce gives 0 rather than an overflow.
std::int32_t sampleBytes(std::int32_t samples);

}  // namespace zrc::player
