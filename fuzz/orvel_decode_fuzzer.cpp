// Orvel's decoding side with any arguments: the stream header block, which
// Corvid must be able to open a device for; playback blocks, on both copies
// of the coder's kernels; and a conversion, AdpcmDecHeader then AdpcmDecx
// page after page, whose file must tell its samples after every page
// appended and must not exist when the header call refuses.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "isa.h"
#include "orvel.h"
#include "stream_format.h"

using namespace zrc::fuzz;

namespace {

int32_t pick(FuzzedDataProvider& in, std::initializer_list<int32_t> usual) {
    if (in.ConsumeIntegralInRange(0, 7) == 0) return in.ConsumeIntegral<int32_t>();
    return *(usual.begin() + in.ConsumeIntegralInRange<std::size_t>(0, usual.size() - 1));
}

struct Page {
    int32_t rate, width, count, mode;
    std::vector<std::uint8_t> codes;  // as many as the call may read
};

std::vector<Page> pagesOf(FuzzedDataProvider& in) {
    std::vector<Page> pages;
    while (in.remaining_bytes() > 0 && pages.size() < 6) {
        Page p{};
        p.rate = pick(in, {7, 8, 11, 9});
        p.width = pick(in, {2, 3, 4, 5});
        p.count = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 2100) : pick(in, {1360, 2046, 2048, -1});
        p.mode = pick(in, {0, 0, 2, 1});
        const std::size_t wanted = static_cast<std::size_t>(std::clamp(p.count, 0, 2048));
        p.codes = in.ConsumeBytes<std::uint8_t>(wanted);
        p.codes.resize(wanted, 0);
        pages.push_back(std::move(p));
    }
    return pages;
}

std::vector<std::vector<std::int16_t>> playBlocks(const std::vector<Page>& pages) {
    pb_adpcm_dec(0, 0, 0, nullptr, nullptr, 1);
    std::vector<std::vector<std::int16_t>> blocks;
    for (const Page& p : pages) {
        auto codes = std::make_unique<std::uint8_t[]>(p.codes.size());
        std::copy(p.codes.begin(), p.codes.end(), codes.get());
        void* slot = nullptr;
        const int32_t n = pb_adpcm_dec(p.rate, p.width, p.count, codes.get(), &slot, p.mode == 2 ? 0 : p.mode);
        ZRC_FUZZ_CHECK(n >= 0 && n <= 3215);
        ZRC_FUZZ_CHECK((n > 0) == (slot != nullptr));
        if (n == 0) continue;
        std::vector<std::int16_t> samples(static_cast<std::size_t>(n));
        std::memcpy(samples.data(), slot, samples.size() * sizeof(std::int16_t));
        std::free(slot);
        blocks.push_back(std::move(samples));
    }
    return blocks;
}

void checkWav(const std::vector<std::uint8_t>& wav, int32_t pcmBit) {
    ZRC_FUZZ_CHECK(wav.size() >= 44);
    ZRC_FUZZ_CHECK(le32(wav, 40) == wav.size() - 44 && le32(wav, 4) == wav.size() - 8);
    ZRC_FUZZ_CHECK(le16(wav, 34) == 8 * pcmBit && (wav.size() - 44) % static_cast<std::size_t>(pcmBit) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t selector = pick(in, {11, 22, 8, 0});
    const int32_t pcmBit = pick(in, {1, 2, 2, 0, 3});
    const int32_t rate0 = pick(in, {11, 8, 7, 9}), bits0 = pick(in, {3, 4, 2, 5});
    const int32_t rate1 = pick(in, {7, 8, 11, 0}), bits1 = pick(in, {2, 3, 4, 1});
    const int32_t pages0 = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 8) : in.ConsumeIntegral<int32_t>();
    const int32_t pages1 = in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 8) : in.ConsumeIntegral<int32_t>();
    const std::vector<Page> pages = pagesOf(in);

    // The header block: the same bytes through both outputs, and a stream
    // Corvid can play.
    auto buffer = std::make_unique<std::uint8_t[]>(100);
    void* slot = nullptr;
    ZRC_FUZZ_CHECK(SoundSet11k16bit(&slot, selector, buffer.get()) == 0);
    ZRC_FUZZ_CHECK(slot != nullptr && std::memcmp(slot, buffer.get(), 100) == 0);
    std::free(slot);
    const auto format = zrc::corvid::streamFormatOf(std::span(buffer.get(), 100));
    ZRC_FUZZ_CHECK(format && format->channels == 1 && format->bitsPerSample == 16);

    zrc::simd::setAvx2Enabled(false);
    const auto baseline = playBlocks(pages);
    zrc::simd::setAvx2Enabled(true);
    if (zrc::simd::avx2Enabled()) ZRC_FUZZ_CHECK(playBlocks(pages) == baseline);

    Scratch& scratch = Scratch::get();
    scratch.remove("out.wav");
    const std::string wav = scratch.path("out.wav").string();
    auto header = std::make_unique<std::uint8_t[]>(44);
    const int32_t needed = AdpcmDecHeader(wav.c_str(), pcmBit, rate0, rate1, bits0, bits1, pages0, pages1, header.get());
    const auto made = scratch.read("out.wav");
    if (needed < 0) {
        ZRC_FUZZ_CHECK(needed == -1 && !made);
        ZRC_FUZZ_CHECK(AdpcmDecx(wav.c_str(), buffer.get(), 11, 3, 8, pcmBit, 0) == -1);
        return 0;
    }
    ZRC_FUZZ_CHECK(made && made->size() == 44 && std::memcmp(made->data(), header.get(), 44) == 0);
    ZRC_FUZZ_CHECK(static_cast<std::uint64_t>(needed) == std::min<std::uint64_t>(44 + le32(*made, 40), INT32_MAX));

    for (const Page& p : pages) {
        auto codes = std::make_unique<std::uint8_t[]>(p.codes.size());
        std::copy(p.codes.begin(), p.codes.end(), codes.get());
        const int32_t r = AdpcmDecx(wav.c_str(), codes.get(), p.rate, p.width, p.count, pcmBit, p.mode);
        if (p.mode == 1) {
            ZRC_FUZZ_CHECK(r == 0);
            continue;
        }
        ZRC_FUZZ_CHECK(r == 0);
        checkWav(*scratch.read("out.wav"), pcmBit);
    }
    // Another name, or another sample size, is no page of this conversion.
    ZRC_FUZZ_CHECK(AdpcmDecx(scratch.path("other.wav").c_str(), buffer.get(), 11, 3, 8, pcmBit, 0) == -1);
    ZRC_FUZZ_CHECK(AdpcmDecx(wav.c_str(), buffer.get(), 11, 3, 8, 3 - pcmBit, 0) == -1);
    ZRC_FUZZ_CHECK(!scratch.read("other.wav"));
    return 0;
}
