// Runs of a recording's pages through a WavConverter.
#pragma once

#include <cstdint>

#include "input_file.h"
#include "page_decode.h"
#include "pagecodec.h"
#include "wav_converter.h"

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

}  // namespace zrc
