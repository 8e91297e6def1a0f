// The WAV input checks and field readers on any bytes; the layout of
// wav_zrc_check_f comes from the end of the input. A result is a code below
// 92 or the size of a whole number of pages.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"
#include "pagecodec.h"

using namespace zrc::fuzz;

namespace {
void checkResult(int32_t r) {
    ZRC_FUZZ_CHECK((r >= 1 && r <= 9) || (r >= 92 && (r - 92) % 528 == 0));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool wild = in.ConsumeBool();
    const auto payloadBytes = wild ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(0, 513);
    const auto extraBits = wild ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(0, 9);
    const auto width = wild ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(0, 5);
    const std::vector<std::uint8_t> wav = in.ConsumeRemainingBytes<std::uint8_t>();
    const std::string name = Scratch::get().write("in.wav", wav);

    const int32_t fixed = wav_zrc_check(name.c_str());
    checkResult(fixed);
    const int32_t free = wav_zrc_check_f(name.c_str(), payloadBytes, extraBits, width);
    checkResult(free);
    // The tests both checks share come first, in the same order.
    if (fixed < 8 || free < 8) ZRC_FUZZ_CHECK(fixed == free);

    const uint32_t rate = wav_samplef(name.c_str());
    ZRC_FUZZ_CHECK(rate == (wav.size() >= 28 ? le32(wav, 24) : 0u));
    const int32_t bits = wav_bitmode(name.c_str());
    ZRC_FUZZ_CHECK(bits == (wav.size() >= 35 ? wav[34] : 0));
    if (fixed >= 92) ZRC_FUZZ_CHECK((rate == 11025 || rate == 8000) && (bits == 8 || bits == 16));
    return 0;
}
