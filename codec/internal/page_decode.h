// One page's codes into samples: at 11,025 Hz for playback, or one sample
// per code at the recording's own rate for whole-file decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "decoder.h"

namespace zrc {

// Rate 7 gives the most: 2,046 inputs stretched 7 to 11, cut after 3,215.
inline constexpr std::size_t kMaxPlaybackSamples = 3215;

// Samples decodeForPlayback gives for count codes; 0 for a rate code other
// than 7, 8 or 11 or a code width other than 2, 3 or 4.
std::size_t playbackSampleCount(int rate, int width, std::size_t count);

// Decodes the codes (at most 2,048 are taken) with decoder, continuing its
// state, doubles every result and brings the page to 11,025 Hz by repeating
// samples: rate 11 one sample per code, rate 8 eight codes to eleven samples
// (2,048 inputs at width 2, else 1,024), rate 7 seven to eleven (2,046
// inputs). Inputs past the codes given are silence. Writes
// playbackSampleCount() samples, at most kMaxPlaybackSamples, into out and
// returns their number; unsupported arguments write and decode nothing.
std::size_t decodeForPlayback(Decoder& decoder, int rate, int width, const std::uint8_t* codes,
                              std::size_t count, std::int16_t* out);

// The fixed payload layout whole-file decoding reads from every page,
// whatever the header's payload fields say. unpackCodes(width,
// payloadBytes, extraBits, ...) yields `codes` codes.
struct NativeLayout {
    int payloadBytes = 0;
    int extraBits = 0;
    std::size_t codes = 0;
    std::size_t samples = 0;  // samples written per page
};
std::optional<NativeLayout> nativeLayout(int width, int rate);

// The sample rate of whole-file output for the parameter set of header
// mode (or page type) 0 or 1 with its rate code; nothing for the pairs that
// have none (mode 0 with rate 7, mode 1 with rate 11).
std::optional<std::uint32_t> nativeSampleRate(int setIndex, int rate);

inline constexpr std::size_t kMaxNativeSamples = 2048 + 293;

// Samples decodeNative gives for count codes at a rate code.
std::size_t nativeSampleCount(int rate, std::size_t count);

// One doubled sample per code (at most 2,048 codes), continuing the
// decoder's state; at rate 7 the samples of codes 0, 7, ..., 2,037 of the
// page are written twice. Returns the samples written to out (at most
// kMaxNativeSamples); nothing for a width other than 2, 3 or 4.
std::size_t decodeNative(Decoder& decoder, int rate, int width, const std::uint8_t* codes, std::size_t count,
                         std::int16_t* out);

}  // namespace zrc
