// AdpcmDec1 on any recording bytes: a header call with a sample size from
// the end of the input, then page-range calls with ranges from there too.
// Whatever happens, the WAV file's header must tell the samples it holds
// after every page-range call, refusals must create nothing, and the
// recording must stay as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>

#include "fuzz_support.h"
#include "pagecodec.h"

using namespace zrc::fuzz;

namespace {

constexpr std::size_t kHeaders = 92 + 44;

void checkWavSizes(const std::vector<std::uint8_t>& wav) {
    ZRC_FUZZ_CHECK(wav.size() >= 44);
    ZRC_FUZZ_CHECK(le32(wav, 40) == wav.size() - 44);
    ZRC_FUZZ_CHECK(le32(wav, 4) == wav.size() - 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t sampleSize = in.ConsumeIntegralInRange(0, 15) == 0 ? in.ConsumeIntegral<int32_t>()
                                                                      : in.ConsumeIntegralInRange<int32_t>(1, 2);
    std::vector<std::pair<int32_t, int32_t>> ranges(in.ConsumeIntegralInRange<std::size_t>(0, 3));
    for (auto& [first, last] : ranges) {
        first = in.ConsumeIntegralInRange<int32_t>(-2, 40);
        last = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(-2, 40);
    }
    const std::vector<std::uint8_t> recording = in.ConsumeRemainingBytes<std::uint8_t>();

    Scratch& scratch = Scratch::get();
    const std::string zrc = scratch.write("rec.zrc", recording);
    const std::string wav = scratch.path("out.wav").string();
    scratch.remove("out.wav");

    auto headers = std::make_unique<std::uint8_t[]>(kHeaders);
    const int32_t pages = AdpcmDec1(zrc.c_str(), wav.c_str(), sampleSize, 0, 0, headers.get(), 0);
    const auto created = scratch.read("out.wav");
    if (sampleSize != 1 && sampleSize != 2) {
        ZRC_FUZZ_CHECK(pages == 4 && !created);
        return 0;
    }
    if (!created) {
        ZRC_FUZZ_CHECK(pages == 3);
        return 0;
    }
    // Never more pages than the file holds, counting a partial last one.
    ZRC_FUZZ_CHECK(pages >= 0);
    const std::size_t held = recording.size() > 92 ? (recording.size() - 92 + 527) / 528 : 0;
    ZRC_FUZZ_CHECK(static_cast<std::size_t>(pages) <= held);
    ZRC_FUZZ_CHECK(created->size() == 44);
    for (std::size_t i = 0; i < 44; ++i) ZRC_FUZZ_CHECK(headers[92 + i] == (*created)[i]);
    ZRC_FUZZ_CHECK(le32(*created, 40) % static_cast<std::uint32_t>(sampleSize) == 0);

    for (const auto& [first, last] : ranges) {
        const int32_t codes = AdpcmDec1(nullptr, nullptr, sampleSize, first, last, nullptr, 1);
        ZRC_FUZZ_CHECK(codes == 0 || codes == 1024 || codes == 1360 || codes == 2046 || codes == 2048);
        const auto written = scratch.read("out.wav");
        ZRC_FUZZ_CHECK(written.has_value());
        checkWavSizes(*written);
    }
    ZRC_FUZZ_CHECK(scratch.read("rec.zrc") == recording);
    return 0;
}
