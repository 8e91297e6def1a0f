#include "page_decode.h"

#include <algorithm>
#include <array>

#include "sample_math.h"
#include "zrc_format.h"

namespace zrc {

namespace {

// Which input of a group each output sample of the group repeats.
constexpr std::array<std::uint8_t, 11> kSevenToEleven{0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6};
constexpr std::array<std::uint8_t, 11> kEightToEleven{0, 0, 1, 2, 3, 3, 4, 5, 6, 6, 7};

// Whole-file output doubles the codes at multiples of 7 below this index,
// which turns a 2,046-code page into 8,000 Hz.
constexpr std::size_t kRate7DoubledBelow = 2043;

std::size_t rate8Inputs(int width) { return width == 2 ? 2048 : 1024; }

void expand(const std::int16_t* x, const std::array<std::uint8_t, 11>& pattern, std::size_t inputsPerGroup,
            std::size_t outCount, std::int16_t* out) {
    for (std::size_t o = 0; o < outCount; ++o) {
        out[o] = x[(o / 11) * inputsPerGroup + pattern[o % 11]];
    }
}

// Decodes and doubles up to a page of codes into x; the rest of x stays 0.
std::size_t decodeDoubled(Decoder& decoder, int width, const std::uint8_t* codes, std::size_t count,
                          std::int16_t* x) {
    const std::size_t n = std::min(count, kMaxCodesPerPage);
    if (n == 0) return 0;
    decoder.decode(codes, n, width, x);
    for (std::size_t k = 0; k < n; ++k) x[k] = doubled(x[k]);
    return n;
}

}  // namespace

std::size_t playbackSampleCount(int rate, int width, std::size_t count) {
    if (!isCodeWidth(static_cast<unsigned>(width))) return 0;
    switch (rate) {
        case 11: return std::min(count, kMaxCodesPerPage);
        case 8: return rate8Inputs(width) / 8 * 11;
        case 7: return kMaxPlaybackSamples;
        default: return 0;
    }
}

std::size_t decodeForPlayback(Decoder& decoder, int rate, int width, const std::uint8_t* codes,
                              std::size_t count, std::int16_t* out) {
    const std::size_t samples = playbackSampleCount(rate, width, count);
    if (samples == 0) return 0;
    if (rate == 11) return decodeDoubled(decoder, width, codes, count, out);

    std::array<std::int16_t, kMaxCodesPerPage> x{};
    decodeDoubled(decoder, width, codes, count, x.data());
    if (rate == 8) expand(x.data(), kEightToEleven, 8, samples, out);
    else expand(x.data(), kSevenToEleven, 7, samples, out);
    return samples;
}

std::optional<NativeLayout> nativeLayout(int width, int rate) {
    NativeLayout layout;
    switch (width) {
        case 4: layout = {512, 0, 1024, 0}; break;
        case 3: layout = {510, 0, 1360, 0}; break;
        case 2:
            // Byte 511 holds two more codes, or four at rate 8.
            layout = rate == 8 ? NativeLayout{512, 0, 2048, 0} : NativeLayout{511, 4, 2046, 0};
            break;
        default: return std::nullopt;
    }
    layout.samples = nativeSampleCount(rate, layout.codes);
    return layout;
}

std::optional<std::uint32_t> nativeSampleRate(int setIndex, int rate) {
    if (setIndex == 0 && rate == 11) return 11025;
    if (setIndex == 0 && rate == 8) return 8000;
    if (setIndex == 1 && (rate == 7 || rate == 8)) return 8000;
    return std::nullopt;
}

std::size_t nativeSampleCount(int rate, std::size_t count) {
    count = std::min(count, kMaxCodesPerPage);
    if (rate != 7) return count;
    const std::size_t doubledCodes = (std::min(count, kRate7DoubledBelow) + 6) / 7;
    return count + doubledCodes;
}

std::size_t decodeNative(Decoder& decoder, int rate, int width, const std::uint8_t* codes, std::size_t count,
                         std::int16_t* out) {
    if (!isCodeWidth(static_cast<unsigned>(width))) return 0;
    if (rate != 7) return decodeDoubled(decoder, width, codes, count, out);

    std::array<std::int16_t, kMaxCodesPerPage> x{};
    const std::size_t n = decodeDoubled(decoder, width, codes, count, x.data());
    std::size_t o = 0;
    for (std::size_t k = 0; k < n; ++k) {
        out[o++] = x[k];
        if (k % 7 == 0 && k < kRate7DoubledBelow) out[o++] = x[k];
    }
    return o;
}

}  // namespace zrc
