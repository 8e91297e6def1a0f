// zrc encode on any WAV bytes, with the code width and --convert from the end
// of the input. A run either fails and leaves nothing behind (unplanned, or
// planned from a file libsndfile reads whose decoder stops early), or writes
// a conforming recording of the planned pages; a file encoded as it is gives
// the very bytes of the library's check, header writer and encoder (with a
// width, but for the parameter set that describes the pages); the WAV file
// is never changed.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "commands.h"
#include "fuzz_support.h"
#include "input_file.h"
#include "pagecodec.h"
#include "wav_to_recording.h"

using namespace zrc::fuzz;

namespace {

// Encoding is the slow part; a claimed length or a tiny sample rate can ask
// for far more pages than the input holds bytes. Larger plans are only
// planned.
constexpr std::uint64_t kMaxPages = 40;

// The parameter set zrc encode --width describes its pages with.
constexpr std::size_t kDescribedSet[2] = {61, 66};

std::optional<std::vector<std::uint8_t>> libraryBytes(const std::string& wav, std::optional<int> width,
                                                     std::uint64_t pages) {
    Scratch& scratch = Scratch::get();
    const std::string zrc = scratch.path("library.zrc").string();
    const auto n = static_cast<uint32_t>(pages);
    if (width) {
        // 3-bit pages hold the recorder's 510 payload bytes, the others all 512.
        const int32_t bytes = *width == 3 ? 510 : 512;
        const int32_t size = wav_zrc_check_f(wav.c_str(), bytes, 0, *width);
        if (size < 92 ||
            wav_zrc_mkheader_f(wav.c_str(), zrc.c_str(), static_cast<uint32_t>(size), bytes, 0, *width) != 0 ||
            wav_zrc_encoder_f(wav.c_str(), zrc.c_str(), 0, n, bytes, 0, *width) != 0) {
            return std::nullopt;
        }
    } else {
        const int32_t size = wav_zrc_check(wav.c_str());
        if (size < 92 || wav_zrc_mkheader(wav.c_str(), zrc.c_str(), static_cast<uint32_t>(size)) != 0 ||
            wav_zrc_encoder(wav.c_str(), zrc.c_str(), 0, n) != 0) {
            return std::nullopt;
        }
    }
    auto bytes = scratch.read("library.zrc");
    scratch.remove("library.zrc");
    return bytes;
}

}  // namespace

// libsndfile 1.2.0 loses the vorbis_info of an Ogg file whose headers it goes
// on to refuse, with no handle given back that could free it: not a leak
// this target is here to find.
extern "C" const char* __lsan_default_suppressions() { return "leak:vorbis_info_init\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int choice = in.ConsumeIntegralInRange(0, 3);
    const std::optional<int> width = choice == 0 ? std::nullopt : std::optional<int>(choice + 1);
    const bool convert = in.ConsumeBool();
    const std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();

    Scratch& scratch = Scratch::get();
    const std::string wav = scratch.write("in.wav", bytes);
    scratch.remove("out.zrc");
    const auto before = scratch.names();

    zrc::InputFile file(wav.c_str());
    const auto planned = zrc::cli::planEncode(file, {width, convert});
    const auto* plan = std::get_if<zrc::cli::EncodePlan>(&planned);
    if (plan != nullptr && plan->pages > kMaxPages) return 0;

    zrc::cli::EncodeOptions options;
    options.files = {wav};
    options.output = scratch.path("out.zrc").string();
    options.width = width;
    options.convert = convert;
    options.force = true;
    int status = 0;
    {
        QuietStreams quiet;
        status = zrc::cli::runEncode(options);
    }
    ZRC_FUZZ_CHECK(scratch.read("in.wav") == bytes);
    const auto made = scratch.read("out.zrc");
    if (status != zrc::cli::kExitOk) {
        const bool decoded = plan != nullptr && plan->conversion &&
                             std::holds_alternative<zrc::cli::SoundFileFormat>(*plan->conversion);
        ZRC_FUZZ_CHECK(status == zrc::cli::kExitFileFailed && (plan == nullptr || decoded));
        ZRC_FUZZ_CHECK(!made && scratch.names() == before);
        return 0;
    }
    ZRC_FUZZ_CHECK(plan != nullptr && made && made->size() == 92 + 528 * plan->pages);
    const RecordingInfo info = play_splpget(options.output->c_str());
    // A recording every reader takes, of the planned pages.
    ZRC_FUZZ_CHECK((info.rate0 == 7 || info.rate0 == 8 || info.rate0 == 11) && info.pageCount == plan->pages);
    if (plan->conversion) return 0;
    auto library = libraryBytes(wav, width, plan->pages);
    ZRC_FUZZ_CHECK(library && library->size() == made->size());
    if (width) {
        // The set the pages use names their width and payload, the rest is the library's.
        const std::size_t set = kDescribedSet[*width == 2 ? 1 : 0];
        const int bits = (*made)[set + 2] * 8 + ((*made)[set + 3] << 11) + (*made)[set + 4];
        ZRC_FUZZ_CHECK((*made)[set + 1] == *width && (bits == 4096 || (*width == 3 && bits == 4080)));
        std::copy_n(made->begin() + static_cast<std::ptrdiff_t>(set), 5, library->begin() + static_cast<std::ptrdiff_t>(set));
    }
    ZRC_FUZZ_CHECK(library == made);
    return 0;
}
