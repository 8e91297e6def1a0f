// pb_exdata with any arguments: width, whole bytes and extra bits come from
// the end of the input, the page from the rest. Every code written must be
// the bits the packing puts it in; anything refused must write nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>

#include "fuzz_support.h"
#include "pagecodec.h"

using namespace zrc::fuzz;

namespace {
constexpr std::size_t kPage = 528;
constexpr std::size_t kCodeBuffer = 2048;
constexpr std::uint8_t kUntouched = 0xA5;

// Code k of width w is payload bits k*w .. k*w + w - 1, least significant
// bit first.
unsigned codeAt(const std::uint8_t* page, int k, int w) {
    unsigned code = 0;
    for (int b = 0; b < w; ++b) {
        const int bit = k * w + b;
        code |= ((page[bit / 8] >> (bit % 8)) & 1u) << b;
    }
    return code;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // Mostly sensible arguments, now and then anything at all.
    const bool wild = in.ConsumeBool();
    const auto width = wild ? in.ConsumeIntegral<int16_t>() : in.ConsumeIntegralInRange<int16_t>(1, 5);
    const auto bytes = wild ? in.ConsumeIntegral<int16_t>() : in.ConsumeIntegralInRange<int16_t>(0, 520);
    const auto extra = wild ? in.ConsumeIntegral<int16_t>() : in.ConsumeIntegralInRange<int16_t>(0, 9);

    auto page = std::make_unique<std::uint8_t[]>(kPage);
    const std::vector<std::uint8_t> rest = in.ConsumeRemainingBytes<std::uint8_t>();
    std::fill_n(page.get(), kPage, std::uint8_t{0xFF});
    std::copy_n(rest.begin(), std::min(rest.size(), kPage), page.get());
    auto codes = std::make_unique<std::uint8_t[]>(kCodeBuffer);
    std::fill_n(codes.get(), kCodeBuffer, kUntouched);

    const int n = pb_exdata(width, bytes, extra, page.get(), codes.get());

    const bool valid = width >= 2 && width <= 4 && bytes >= 0 && extra >= 0 && extra <= 8 && bytes * 8 + extra <= 4096;
    if (!valid) {
        ZRC_FUZZ_CHECK(n == 0);
        ZRC_FUZZ_CHECK(std::all_of(codes.get(), codes.get() + kCodeBuffer, [](std::uint8_t c) { return c == kUntouched; }));
        return 0;
    }
    ZRC_FUZZ_CHECK(n == (bytes * 8 + extra) / width);
    for (int k = 0; k < n; ++k) ZRC_FUZZ_CHECK(codes[static_cast<std::size_t>(k)] == codeAt(page.get(), k, width));
    for (std::size_t k = static_cast<std::size_t>(n); k < kCodeBuffer; ++k) ZRC_FUZZ_CHECK(codes[k] == kUntouched);
    return 0;
}
