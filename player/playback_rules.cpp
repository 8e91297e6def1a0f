#include "playback_rules.h"

#include <limits>

namespace zrc::player {

int parameterSetOf(std::optional<std::int16_t> pageResult, std::optional<int> previous) {
    if (pageResult == 0) return 0;
    if (pageResult == 5) return 1;
    return previous.value_or(0);
}

PageParameters pageParameters(const RecordingInfo& info, int set) {
    // The codec reads these as 16-bit values; the header stores them so.
    const auto narrow = [](std::uint16_t value) { return static_cast<std::int16_t>(value); };
    if (set == 1) return {narrow(info.rate1), narrow(info.bits1), narrow(info.payloadBytes1), narrow(info.payloadBits1)};
    return {narrow(info.rate0), narrow(info.bits0), narrow(info.payloadBytes0), narrow(info.payloadBits0)};
}

std::int32_t headerSelector(std::int16_t playMode) { return playMode == 0 ? 11 : 22; }

std::int32_t sampleBytes(std::int32_t samples) {
    if (samples <= 0 || samples > std::numeric_limits<std::int32_t>::max() / 2) return 0;
    return 2 * samples;
}

}  // namespace zrc::player
