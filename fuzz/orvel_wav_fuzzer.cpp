// Orvel's WAV side on any bytes: WavPlx, GetWavType and PcmWavPlay through a
// file, with the stretch and sample size from the end of the input, and the
// RIFF walker they share fed the same bytes from memory.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "orvel.h"
#include "wave_layout.h"

using namespace zrc::fuzz;

namespace {

// The walker's answer from memory; the exports read the file through their
// own source, and both must see one layout.
void checkLayout(std::span<const std::uint8_t> bytes, int32_t wavPlx, const std::uint8_t* info) {
    zrc::riff::SpanSource source(bytes);
    const zrc::riff::WaveLayout layout = zrc::riff::scanWave(source);
    if (layout.data) {
        ZRC_FUZZ_CHECK(layout.data->offset <= bytes.size());
        ZRC_FUZZ_CHECK(layout.data->offset + layout.data->size <= bytes.size());
        ZRC_FUZZ_CHECK(layout.data->size <= layout.data->declaredSize);
    }
    if (wavPlx < 0) return;
    ZRC_FUZZ_CHECK(layout.riffWave && layout.format && layout.data);
    ZRC_FUZZ_CHECK(static_cast<std::uint64_t>(wavPlx) == layout.data->size);
    ZRC_FUZZ_CHECK(info[50] == (layout.format->sampleRate == 11025 ? 11 : 8));
    ZRC_FUZZ_CHECK(info[51] == layout.format->bitsPerSample);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto sampleSize = in.ConsumeBool() ? in.ConsumeIntegral<std::uint8_t>()
                                             : in.ConsumeIntegralInRange<std::uint8_t>(1, 2);
    const auto start = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(0, 300);
    const auto length = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(0, 4000);
    const std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();
    const std::string name = Scratch::get().write("in.wav", bytes);

    std::vector<std::uint8_t> info(100, 0xEE);
    const int32_t length1 = WavPlx(name.c_str(), 2, 0, nullptr, 0, 0, info.data());
    ZRC_FUZZ_CHECK(length1 >= 0 || length1 == -10 || length1 == -20 || length1 == -30);
    ZRC_FUZZ_CHECK(length1 < 0 || static_cast<std::size_t>(length1) <= bytes.size());
    checkLayout(bytes, length1, info.data());

    std::vector<std::uint8_t> type(100, 0xEE);
    const int32_t length2 = GetWavType(name.c_str(), type.data());
    ZRC_FUZZ_CHECK(length2 == length1 || (length1 >= 0 && length2 == -40));
    if (length2 >= 0) {
        ZRC_FUZZ_CHECK(type[0] == info[50] && type[1] == info[51] / 8);
        // The first sample byte lies within the file, right before the data.
        ZRC_FUZZ_CHECK(type[2] + 1u + static_cast<std::size_t>(length2) <= bytes.size());
    }

    void* slot = &slot;
    const int32_t played = PcmWavPlay(name.c_str(), sampleSize, start, length, &slot);
    if (played <= 0) {
        ZRC_FUZZ_CHECK(slot == nullptr);
        ZRC_FUZZ_CHECK(played == 0 || played == length1 || played == -20 || played == -40);
        return 0;
    }
    ZRC_FUZZ_CHECK(length1 >= 0 && sampleSize == info[51] / 8);
    ZRC_FUZZ_CHECK(played % 2 == 0 && played <= 2 * std::int64_t{length1} && played <= 2 * std::int64_t{length});
    ZRC_FUZZ_CHECK(slot != nullptr);
    // Every byte of the block is there to be played.
    std::vector<std::uint8_t> block(static_cast<std::size_t>(played));
    std::memcpy(block.data(), slot, block.size());
    std::free(slot);
    return 0;
}
