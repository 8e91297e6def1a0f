#include "wav_check.h"

#include <limits>

#include "page_layout.h"
#include "zrc_format.h"

namespace zrc {

namespace {
constexpr std::uint64_t zrcSizeOf(std::uint64_t pages) { return kHeaderSize + kPageSize * pages; }

// Sizes are worked in 64 bits: in 32 bits dataSize x 24 wraps from about
// 170 MB of samples on, and a wrapped size promises too few pages.
std::int32_t sizeResult(std::uint64_t size) {
    if (size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return wavcheck::kTooLarge;
    return static_cast<std::int32_t>(size);
}
}  // namespace

std::int32_t wavInputProblem(const WavInput& input) {
    if (!input.waveTag) return wavcheck::kNotWave;
    if (input.sampleRate != 11025 && input.sampleRate != 8000) return wavcheck::kBadRate;
    if (input.channels != 1) return wavcheck::kNotMono;
    if (!input.pcmFormat) return wavcheck::kNotPcm;
    if (!input.dataTag) return wavcheck::kNoDataTag;
    if (input.bitsPerSample != 8 && input.bitsPerSample != 16) return wavcheck::kBadBitsPerSample;
    return 0;
}

std::uint64_t fixedLayoutZrcSize(std::uint32_t sampleRate, std::uint32_t dataSize, unsigned bitsPerSample) {
    const std::uint64_t sd = dataSize;
    const std::uint64_t b = bitsPerSample;
    if (b == 0) return 0;
    if (sampleRate == 11025) {
        const std::uint64_t q = sd * 24 / b;
        const std::uint64_t r = sd * 3 % b;
        return zrcSizeOf((q + r + 4079) / 4080);
    }
    if (sampleRate == 8000) {
        const std::uint64_t q = sd * 16 / b;
        const std::uint64_t r = sd * 2 % b;
        return zrcSizeOf((q + r + 4091) / 4092);
    }
    return 0;
}

std::uint64_t freeLayoutZrcSize(std::uint32_t dataSize, unsigned bitsPerSample, unsigned payloadBits,
                                unsigned codeWidth) {
    const std::uint64_t p = codeWidth * (payloadBits / codeWidth);
    const std::uint64_t samples = std::uint64_t{dataSize} * 8 / bitsPerSample;
    return zrcSizeOf(samples * codeWidth / p + 1);
}

std::int32_t checkForFixedLayout(const WavInput& input) {
    if (const std::int32_t problem = wavInputProblem(input)) return problem;
    return sizeResult(fixedLayoutZrcSize(input.sampleRate, input.dataSize, input.bitsPerSample));
}

std::int32_t checkForFreeLayout(const WavInput& input, unsigned payloadBytes, unsigned payloadExtraBits,
                                unsigned codeWidth) {
    if (const std::int32_t problem = wavInputProblem(input)) return problem;
    const auto layout = freeLayout(payloadBytes * 8 + payloadExtraBits, codeWidth);
    if (!layout) return wavcheck::kBadPageLayout;
    return sizeResult(freeLayoutZrcSize(input.dataSize, input.bitsPerSample, payloadBytes * 8 + payloadExtraBits,
                                        codeWidth));
}

}  // namespace zrc
