// The header block Corvid opens its device from, as any bytes in memory: a
// format is either refused or one the device can be opened in.
#include "fuzz_support.h"
#include "stream_format.h"

using namespace zrc::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto format = zrc::corvid::streamFormatOf(std::span(data, size));
    if (!format) return 0;
    ZRC_FUZZ_CHECK(format->sampleRate > 0 && format->sampleRate <= 384000);
    ZRC_FUZZ_CHECK(format->channels >= 1 && format->channels <= 8);
    ZRC_FUZZ_CHECK(format->bitsPerSample == 8 || format->bitsPerSample == 16 || format->bitsPerSample == 32);
    ZRC_FUZZ_CHECK(format->frameBytes() > 0 && format->frameBytes() <= 32);
    return 0;
}
