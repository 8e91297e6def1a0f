// Which WAV file a recording's pages make, and how large it is: the one
// decision behind whole-file decoding, Orvel's conversion and `zrc decode`.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include "page_decode.h"
#include "pagecodec.h"
#include "wav_format.h"

namespace zrc {

// Beyond this the RIFF size field (data + 36) cannot tell the truth.
inline constexpr std::uint64_t kMaxWavDataBytes = std::numeric_limits<std::uint32_t>::max() - 36;

// One parameter set and the pages of its type to convert.
struct SetPages {
    int rate = 0;
    int width = 0;
    std::uint64_t pages = 0;
    // The payload (bytes, extra bits) the header describes for the set's
    // pages; nothing means the recorder's fixed layout of the width.
    std::optional<std::pair<int, int>> payload;
};

struct WavPlan {
    PcmFormat format;
    // Native: every page is of one set that has a WAV rate of its own; one
    // sample per code at that rate, the bytes whole-file decoding writes.
    // Otherwise each page is decoded with its own set and brought to
    // 11,025 Hz as playback blocks are.
    bool native = true;
    int setIndex = 0;     // the set of a native plan
    NativeLayout layout;  // what a native plan reads from every page
    std::uint64_t dataBytes = 0;
    // A set with pages that gives no samples at 11,025 Hz (a rate code or
    // width nothing decodes); only a plan at that rate can have one.
    bool undecodable = false;
};

// setWithoutPages names the set when neither has pages. A payload that the
// header describes is followed where it holds another number of codes than
// the recorder's layout, so that no code of a page is left out.
WavPlan planWav(int bytesPerSample, const std::array<SetPages, 2>& sets, int setWithoutPages);

// The plan of a recording from its record, its header mode (which names the
// set when no page has a type) and how many of its pages are of each type.
WavPlan planRecordingWav(int bytesPerSample, const RecordingInfo& info, int headerMode,
                         const std::array<std::uint64_t, 2>& pagesByType);

// Samples one page of the type gives under a plan made from info.
std::size_t plannedPageSamples(const WavPlan& plan, const RecordingInfo& info, int pageType);

}  // namespace zrc
