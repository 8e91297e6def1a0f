#include "page_conversion.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "page_decode.h"
#include "unpack.h"
#include "zrc_format.h"

namespace zrc {

namespace {

// Reads pages in runs rather than one seek and read per page; pages past
// the end of the file read as 0xFF like every other read of a recording.
template <class PerPage>
bool forEachPage(InputFile& in, std::uint64_t first, std::uint64_t last, PerPage&& perPage) {
    constexpr std::uint64_t kPagesPerRead = 64;
    std::vector<std::uint8_t> run(kPagesPerRead * kPageSize);
    std::uint64_t page = first;
    while (page <= last) {
        const std::uint64_t n = last - page < kPagesPerRead ? last - page + 1 : kPagesPerRead;
        in.readAt(pageOffset(page), std::span(run.data(), n * kPageSize));
        for (std::uint64_t i = 0; i < n; ++i) {
            if (!perPage(std::span<const std::uint8_t, kPageSize>(run.data() + i * kPageSize, kPageSize))) {
                return false;
            }
        }
        if (last - page < n) break;  // last page done; also no wrap at the top of the range
        page += n;
    }
    return true;
}

}  // namespace

bool appendNativePages(InputFile& in, WavConverter& out, std::uint64_t first, std::uint64_t last, int rate,
                       int width) {
    const auto layout = nativeLayout(width, rate);
    return layout && appendNativePages(in, out, first, last, rate, width, *layout);
}

bool appendNativePages(InputFile& in, WavConverter& out, std::uint64_t first, std::uint64_t last, int rate,
                       int width, const NativeLayout& layout) {
    std::array<std::uint8_t, kMaxCodesPerPage> codes{};
    return forEachPage(in, first, last, [&](std::span<const std::uint8_t, kPageSize> page) {
        const int n = unpackCodes(width, layout.payloadBytes, layout.extraBits, page.data(), codes.data());
        return out.appendNativePage(rate, width, codes.data(), static_cast<std::size_t>(n));
    });
}

bool appendPlaybackPages(InputFile& in, WavConverter& out, std::uint64_t first, std::uint64_t last,
                         const RecordingInfo& info) {
    const std::array<ParameterSet, 2> sets{setOf(info, 0), setOf(info, 1)};
    std::array<std::uint8_t, kMaxCodesPerPage> codes{};
    return forEachPage(in, first, last, [&](std::span<const std::uint8_t, kPageSize> page) {
        const ParameterSet& s = sets[static_cast<std::size_t>(pageTypeOfFlag(page[kPageFlagOffset]))];
        const int n = unpackCodes(s.width, s.payloadBytes, s.payloadBits, page.data(), codes.data());
        return out.appendPlaybackPage(s.rate, s.width, codes.data(), static_cast<std::size_t>(n));
    });
}

std::size_t decodePlannedPage(Decoder& decoder, const WavPlan& plan, const RecordingInfo& info,
                              std::span<const std::uint8_t, kPageSize> page, std::int16_t* out) {
    std::array<std::uint8_t, kMaxCodesPerPage> codes{};
    if (plan.native) {
        const ParameterSet s = setOf(info, plan.setIndex);
        const int n = unpackCodes(s.width, plan.layout.payloadBytes, plan.layout.extraBits, page.data(), codes.data());
        return decodeNative(decoder, s.rate, s.width, codes.data(), static_cast<std::size_t>(n), out);
    }
    const ParameterSet s = setOf(info, pageTypeOfFlag(page[kPageFlagOffset]));
    const int n = unpackCodes(s.width, s.payloadBytes, s.payloadBits, page.data(), codes.data());
    return decodeForPlayback(decoder, s.rate, s.width, codes.data(), static_cast<std::size_t>(n), out);
}

}  // namespace zrc
