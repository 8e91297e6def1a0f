// pb_adpcm_dec and SoundSet11k16bit with any arguments: a run of calls, each
// with rate code, width, count and mode from the input and its codes after
// them. Every run starts from a reset, and runs once on each copy of the
// coder's kernels, which must agree sample for sample.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "isa.h"
#include "pagecodec.h"

using namespace zrc::fuzz;

namespace {

struct Call {
    int32_t rate = 11;
    int32_t width = 3;
    int32_t count = 0;
    int32_t mode = 0;
    std::vector<std::uint8_t> codes;  // as many as the call may read
};

int32_t pick(FuzzedDataProvider& in, std::initializer_list<int32_t> usual) {
    if (in.ConsumeIntegralInRange(0, 7) == 0) return in.ConsumeIntegral<int32_t>();
    return *(usual.begin() + in.ConsumeIntegralInRange<std::size_t>(0, usual.size() - 1));
}

std::vector<Call> callsOf(FuzzedDataProvider& in) {
    std::vector<Call> calls;
    while (in.remaining_bytes() > 0 && calls.size() < 8) {
        Call c;
        c.rate = pick(in, {7, 8, 11, 9, 0});
        c.width = pick(in, {2, 3, 4, 5, 1});
        c.count = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 2100) : pick(in, {1360, 2046, 2048, -1});
        c.mode = pick(in, {0, 0, 0, 1, 2});
        // The call reads at most 2,048 codes: a buffer of just that many
        // shows any read beyond.
        const std::size_t wanted = static_cast<std::size_t>(std::clamp(c.count, 0, 2048));
        c.codes = in.ConsumeBytes<std::uint8_t>(wanted);
        c.codes.resize(wanted, 0);
        calls.push_back(std::move(c));
    }
    return calls;
}

std::size_t expectedSamples(const Call& c) {
    if (c.mode == 1 || c.width < 2 || c.width > 4) return 0;
    switch (c.rate) {
        case 11: return static_cast<std::size_t>(std::clamp(c.count, 0, 2048));
        case 8: return c.width == 2 ? 2816 : 1408;
        case 7: return 3215;
        default: return 0;
    }
}

std::vector<std::vector<std::int16_t>> run(const std::vector<Call>& calls) {
    void* untouched = &untouched;
    void* slot = untouched;
    ZRC_FUZZ_CHECK(pb_adpcm_dec(0, 0, 0, nullptr, &slot, 1) == 0);
    ZRC_FUZZ_CHECK(slot == untouched);
    std::vector<std::vector<std::int16_t>> blocks;
    for (const Call& c : calls) {
        auto codes = std::make_unique<std::uint8_t[]>(c.codes.size());
        std::copy(c.codes.begin(), c.codes.end(), codes.get());
        slot = untouched;
        const int32_t n = pb_adpcm_dec(c.rate, c.width, c.count, codes.get(), &slot, c.mode);
        ZRC_FUZZ_CHECK(n >= 0 && static_cast<std::size_t>(n) == expectedSamples(c));
        if (n == 0) {
            ZRC_FUZZ_CHECK(slot == untouched);
            continue;
        }
        ZRC_FUZZ_CHECK(slot != untouched && slot != nullptr);
        std::vector<std::int16_t> samples(static_cast<std::size_t>(n));
        std::memcpy(samples.data(), slot, samples.size() * sizeof(std::int16_t));
        std::free(slot);
        blocks.push_back(std::move(samples));
    }
    return blocks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto selector = in.ConsumeIntegral<int32_t>();
    const std::vector<Call> calls = callsOf(in);

    zrc::simd::setAvx2Enabled(false);
    const auto baseline = run(calls);
    zrc::simd::setAvx2Enabled(true);
    if (zrc::simd::avx2Enabled()) ZRC_FUZZ_CHECK(run(calls) == baseline);

    // The header block: the same 100 bytes through both outputs, whatever
    // the selector.
    auto buffer = std::make_unique<std::uint8_t[]>(100);
    void* slot = nullptr;
    ZRC_FUZZ_CHECK(SoundSet11k16bit(&slot, selector, buffer.get()) == 0);
    ZRC_FUZZ_CHECK(slot != nullptr && std::memcmp(slot, buffer.get(), 100) == 0);
    ZRC_FUZZ_CHECK(std::memcmp(buffer.get(), "RIFF", 4) == 0);
    std::free(slot);
    return 0;
}
