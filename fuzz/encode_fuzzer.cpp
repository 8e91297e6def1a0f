// Making a recording from any WAV bytes, as a client does: check, header,
// pages, for the recorder's layout and for one from the end of the input.
// Whatever the input, each step answers with one of its codes; a recording
// made is conforming and holds the pages asked for; pages written in two
// ranges are the bytes of one call; the WAV file is never changed, not even
// when it is named as the recording too.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "fuzz_support.h"
#include "pagecodec.h"

using namespace zrc::fuzz;

namespace {

// A claimed data size can ask for far more pages than the input holds; the
// fuzzer makes at most this many.
constexpr uint32_t kMaxPages = 6;

struct Layout {
    int32_t payloadBytes, extraBits, width;
};

void makeRecording(const std::string& wav, const std::optional<Layout>& layout, uint32_t split) {
    Scratch& scratch = Scratch::get();
    const std::string one = scratch.path("one.zrc").string();
    const std::string two = scratch.path("two.zrc").string();

    const int32_t size = layout ? wav_zrc_check_f(wav.c_str(), layout->payloadBytes, layout->extraBits, layout->width)
                                : wav_zrc_check(wav.c_str());
    if (size < 92) return;
    const uint32_t pages = std::min<uint32_t>((static_cast<uint32_t>(size) - 92) / 528, kMaxPages);
    const uint32_t zrcSize = 92 + 528 * pages;
    for (const std::string& name : {one, two}) {
        const int32_t header = layout ? wav_zrc_mkheader_f(wav.c_str(), name.c_str(), zrcSize, layout->payloadBytes,
                                                           layout->extraBits, layout->width)
                                      : wav_zrc_mkheader(wav.c_str(), name.c_str(), zrcSize);
        // An accepted file has everything the header needs.
        ZRC_FUZZ_CHECK(header == 0);
    }
    auto encode = [&](const std::string& name, uint32_t start, uint32_t count) {
        return layout ? wav_zrc_encoder_f(wav.c_str(), name.c_str(), start, count, layout->payloadBytes,
                                          layout->extraBits, layout->width)
                      : wav_zrc_encoder(wav.c_str(), name.c_str(), start, count);
    };
    ZRC_FUZZ_CHECK(encode(one, 0, pages) == 0);
    split = std::min(split, pages);
    ZRC_FUZZ_CHECK(encode(two, 0, split) == 0);
    ZRC_FUZZ_CHECK(encode(two, split, pages - split) == 0);

    const auto made = scratch.read("one.zrc");
    ZRC_FUZZ_CHECK(made && made->size() == zrcSize);
    ZRC_FUZZ_CHECK(scratch.read("two.zrc") == made);
    const RecordingInfo info = play_splpget(one.c_str());
    // A recording every reader takes, of the pages asked for.
    ZRC_FUZZ_CHECK((info.rate0 == 7 || info.rate0 == 8 || info.rate0 == 11) && info.pageCount == pages);
    for (uint32_t p = 0; p < pages; ++p) {
        const std::uint8_t flag = (*made)[92 + 528 * p + 512];
        ZRC_FUZZ_CHECK(flag == 0 || flag == 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Layout layout{};
    const bool wild = in.ConsumeBool();
    layout.payloadBytes = wild ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(0, 513);
    layout.extraBits = wild ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(0, 9);
    layout.width = wild ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(1, 5);
    const auto split = in.ConsumeIntegralInRange<uint32_t>(0, kMaxPages);
    const auto startPage = in.ConsumeIntegral<uint32_t>();
    const std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();

    Scratch& scratch = Scratch::get();
    const std::string wav = scratch.write("in.wav", bytes);
    makeRecording(wav, std::nullopt, split);
    makeRecording(wav, layout, split);

    // Pages from anywhere in the file, even far past its end, add a whole
    // page each or nothing at all.
    const std::string any = scratch.write("any.zrc", {});
    const int32_t fixed = wav_zrc_encoder(wav.c_str(), any.c_str(), startPage, 1);
    ZRC_FUZZ_CHECK(fixed == 0 || fixed == 5 || fixed == 6);
    const std::size_t afterFixed = scratch.read("any.zrc")->size();
    ZRC_FUZZ_CHECK(afterFixed == 0 || (fixed == 0 && afterFixed == 528));
    const int32_t free = wav_zrc_encoder_f(wav.c_str(), any.c_str(), startPage, 1, layout.payloadBytes,
                                           layout.extraBits, layout.width);
    ZRC_FUZZ_CHECK(free == 0 || (free >= 3 && free <= 6));
    ZRC_FUZZ_CHECK(scratch.read("any.zrc")->size() == afterFixed + (free == 0 ? 528 : 0));

    // The WAV file named as the recording too is refused, not destroyed.
    ZRC_FUZZ_CHECK(wav_zrc_mkheader(wav.c_str(), wav.c_str(), 620) == 2);
    ZRC_FUZZ_CHECK(wav_zrc_encoder(wav.c_str(), wav.c_str(), 0, 1) == 2);
    ZRC_FUZZ_CHECK(scratch.read("in.wav") == bytes);
    return 0;
}
