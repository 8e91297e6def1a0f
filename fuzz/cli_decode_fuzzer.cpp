// zrc decode on any recording bytes, the sample size from the end of the
// input. A run either fails and leaves nothing behind, or writes a WAV file
// whose header tells its samples; a recording of one page type in the
// recorder's payload, decoded with the header mode's set, gives the very
// bytes of AdpcmDec1; the recording is never changed.
#include <fuzzer/FuzzedDataProvider.h>

#include "commands.h"
#include "fuzz_support.h"
#include "input_file.h"
#include "page_decode.h"
#include "pagecodec.h"
#include "recording_to_wav.h"

using namespace zrc::fuzz;

namespace {

std::optional<std::vector<std::uint8_t>> adpcmDec1(const std::string& zrc, int sampleSize) {
    Scratch& scratch = Scratch::get();
    const std::string wav = scratch.path("reference.wav").string();
    const int32_t pages = AdpcmDec1(zrc.c_str(), wav.c_str(), sampleSize, 0, 0, nullptr, 0);
    if (pages > 0) AdpcmDec1(nullptr, nullptr, sampleSize, 0, pages - 1, nullptr, 1);
    auto bytes = scratch.read("reference.wav");
    scratch.remove("reference.wav");
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int bits = in.ConsumeBool() ? 16 : 8;
    const std::vector<std::uint8_t> recording = in.ConsumeRemainingBytes<std::uint8_t>();

    Scratch& scratch = Scratch::get();
    const std::string zrc = scratch.write("rec.zrc", recording);
    scratch.remove("out.wav");
    const auto before = scratch.names();

    zrc::cli::DecodeOptions options;
    options.files = {zrc};
    options.output = scratch.path("out.wav").string();
    options.bits = bits;
    options.force = true;
    int status = 0;
    {
        QuietStreams quiet;
        status = zrc::cli::runDecode(options);
    }
    ZRC_FUZZ_CHECK(scratch.read("rec.zrc") == recording);
    const auto wav = scratch.read("out.wav");
    if (status != zrc::cli::kExitOk) {
        ZRC_FUZZ_CHECK(status == zrc::cli::kExitFileFailed);
        ZRC_FUZZ_CHECK(!wav && scratch.names() == before);
        return 0;
    }
    ZRC_FUZZ_CHECK(wav && wav->size() >= 44);
    ZRC_FUZZ_CHECK(le32(*wav, 40) == wav->size() - 44 && le32(*wav, 4) == wav->size() - 8);
    ZRC_FUZZ_CHECK(le16(*wav, 34) == bits);

    zrc::InputFile file(zrc.c_str());
    const auto planned = zrc::cli::planDecode(file, bits / 8);
    const auto* plan = std::get_if<zrc::cli::DecodePlan>(&planned);
    ZRC_FUZZ_CHECK(plan != nullptr);
    ZRC_FUZZ_CHECK(plan->wav.dataBytes == wav->size() - 44);
    // AdpcmDec1 reads the recorder's payload whatever the header says; the
    // tool follows a header that describes another one.
    const bool set1 = plan->wav.setIndex == 1;
    const auto recorders = zrc::nativeLayout(set1 ? plan->info.bits1 : plan->info.bits0,
                                             set1 ? plan->info.rate1 : plan->info.rate0);
    if (plan->wav.native && plan->wav.setIndex == recording[60] && recorders && recorders->codes == plan->wav.layout.codes) {
        ZRC_FUZZ_CHECK(adpcmDec1(zrc, bits / 8) == wav);
    }
    return 0;
}
