// Runs of a recording's pages through a WavConverter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "input_file.h"
#include "page_decode.h"
#include "pagecodec.h"
#include "wav_converter.h"
#include "wav_plan.h"
#include "zrc_format.h"

namespace zrc {

// Pages first to last (inclusive) in the fixed layout of one parameter set
// (nativeLayout), every page decoded with it whatever its flag says. False
// when a write fails.
bool appendNativePages(InputFile& in, WavConverter& out, std::uint64_t first, std::uint64_t last, int rate,
                       int width);

// The same with a payload layout of the caller's (one the header describes).
bool appendNativePages(InputFile& in, WavConverter& out, std::uint64_t first, std::uint64_t last, int rate,
                       int width, const NativeLayout& layout);

// Pages first to last, each unpacked and decoded with the parameter set its
// own flag selects and brought to 11,025 Hz as playback blocks are. False
// when a write fails.
bool appendPlaybackPages(InputFile& in, WavConverter& out, std::uint64_t first, std::uint64_t last,
                         const RecordingInfo& info);

// One page as a plan made from info decodes it, continuing decoder's state:
// a native plan reads the plan's layout with the plan's set, any other the
// set the page's flag selects, brought to 11,025 Hz. Writes
// plannedPageSamples() samples (at most kMaxPlaybackSamples) to out and
// returns their number.
std::size_t decodePlannedPage(Decoder& decoder, const WavPlan& plan, const RecordingInfo& info,
                              std::span<const std::uint8_t, kPageSize> page, std::int16_t* out);

}  // namespace zrc
