#include "page_encoder.h"

#include <algorithm>
#include <array>

#include "wav_sample_reader.h"

namespace zrc {

void packCodes(std::span<const std::uint8_t> codes, int width, std::uint8_t* out) {
    const std::uint32_t mask = (1u << width) - 1;
    std::uint32_t acc = 0;
    int bits = 0;
    for (std::uint8_t code : codes) {
        acc |= (code & mask) << bits;
        bits += width;
        while (bits >= 8) {
            *out++ = static_cast<std::uint8_t>(acc);
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) *out = static_cast<std::uint8_t>(acc);
}

void encodePage(Encoder& encoder, std::span<const std::int16_t> samples, std::size_t present,
                const PageLayout& layout, std::span<std::uint8_t, kPageSize> page) {
    std::array<std::uint8_t, kMaxCodesPerPage> codes{};
    const std::size_t n = std::min<std::size_t>(samples.size(), layout.codesPerPage());
    const std::size_t coded = layout.pastEnd == PastEnd::AllOnesCode ? std::min(present, n) : n;
    encoder.encode(samples.data(), coded, layout.width, codes.data());
    const auto allOnes = static_cast<std::uint8_t>((1u << layout.width) - 1);
    std::fill(codes.begin() + static_cast<std::ptrdiff_t>(coded), codes.begin() + static_cast<std::ptrdiff_t>(n),
              allOnes);

    std::fill(page.begin(), page.end(), std::uint8_t{0xFF});
    packCodes(std::span(codes.data(), n), layout.width, page.data());
    page[kPageFlagOffset] = layout.flag();
}

void encodePages(Encoder& encoder, InputFile& wav, const WavInput& input, const PageLayout& layout,
                 std::uint64_t startPage, std::uint64_t pageCount, ByteSink& out) {
    if (startPage == 0) encoder.reset();
    const std::uint32_t n = layout.codesPerPage();
    const std::uint64_t bytesPerPage = std::uint64_t{n} * input.bitsPerSample / 8;
    WavSampleReader reader(wav, input.firstSampleOffset() + startPage * bytesPerPage, input.bitsPerSample);

    std::array<std::int16_t, kMaxCodesPerPage> samples{};
    constexpr std::size_t kPagesPerWrite = 32;
    std::array<std::uint8_t, kPagesPerWrite * kPageSize> pages{};
    std::size_t filled = 0;
    for (std::uint64_t p = 0; p < pageCount; ++p) {
        const std::span<std::int16_t> pageSamples(samples.data(), n);
        const std::size_t present = reader.read(pageSamples);
        encodePage(encoder, pageSamples, present, layout,
                   std::span<std::uint8_t, kPageSize>(pages.data() + filled, kPageSize));
        filled += kPageSize;
        if (filled == pages.size()) {
            out.write(pages);
            filled = 0;
        }
    }
    if (filled > 0) out.write(std::span(pages.data(), filled));
}

}  // namespace zrc
