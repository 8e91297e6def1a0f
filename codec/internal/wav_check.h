// Whether a WAV file is encoder input, and how large its ZRC file will be.
#pragma once

#include <cstdint>

#include "pagecodec.h"
#include "wav_input.h"

namespace zrc {

// Results of the checks below 92; an accepted file gives its predicted ZRC
// size instead, which is never below 92.
namespace wavcheck {
inline constexpr std::int32_t kCannotOpen = PAGECODEC_CHECK_CANNOT_OPEN;
inline constexpr std::int32_t kNotWave = PAGECODEC_CHECK_NOT_WAVE;
inline constexpr std::int32_t kBadRate = PAGECODEC_CHECK_BAD_RATE;
inline constexpr std::int32_t kNotMono = PAGECODEC_CHECK_NOT_MONO;
inline constexpr std::int32_t kNotPcm = PAGECODEC_CHECK_NOT_PCM;
inline constexpr std::int32_t kNoDataTag = PAGECODEC_CHECK_NO_DATA_TAG;
inline constexpr std::int32_t kBadBitsPerSample = PAGECODEC_CHECK_BAD_BITS_PER_SAMPLE;
inline constexpr std::int32_t kBadPageLayout = PAGECODEC_CHECK_BAD_PAGE_LAYOUT;
inline constexpr std::int32_t kTooLarge = PAGECODEC_CHECK_TOO_LARGE;
}  // namespace wavcheck

// The tests both checks share, in their order; 0 when all pass.
std::int32_t wavInputProblem(const WavInput& input);

// Predicted ZRC size for the recorder's own layout: 3-bit codes in 4,080
// bits a page at 11,025 Hz, 2-bit codes in 4,092 bits at 8,000 Hz. The page
// count adds (dataSize x bits of code) mod bitsPerSample as it is, which is
// not the remainder of the quotient: a page too many now and then is what
// the header writer and the encoder are then asked for. 0 for other rates.
std::uint64_t fixedLayoutZrcSize(std::uint32_t sampleRate, std::uint32_t dataSize, unsigned bitsPerSample);

// Predicted ZRC size for codeWidth-bit codes in pages of payloadBits bits:
// one page more than the full pages, even when they come out exact.
// payloadBits must hold at least one code.
std::uint64_t freeLayoutZrcSize(std::uint32_t dataSize, unsigned bitsPerSample, unsigned payloadBits,
                                unsigned codeWidth);

// The whole checks: a result code or the predicted size.
std::int32_t checkForFixedLayout(const WavInput& input);
std::int32_t checkForFreeLayout(const WavInput& input, unsigned payloadBytes, unsigned payloadExtraBits,
                                unsigned codeWidth);

}  // namespace zrc
