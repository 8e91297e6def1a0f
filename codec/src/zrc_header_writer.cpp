#include "zrc_header_writer.h"

#include <cstring>

namespace zrc {

namespace {
void put16(ZrcHeader& h, std::size_t at, std::uint64_t v) {
    h[at] = static_cast<std::uint8_t>(v);
    h[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(ZrcHeader& h, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) h[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Everything but the fields that depend on the input.
ZrcHeader headerFor(std::uint32_t zrcSize, std::uint64_t seconds, std::uint8_t mode, std::uint8_t set0Width) {
    ZrcHeader h{};
    h.fill(0xFF);
    std::memcpy(h.data(), "QIFF", 4);
    put32(h, 4, zrcSize - 8);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(h, 16, 64);
    put16(h, 56, seconds);
    put16(h, header::kPageSizeField, kPageSize);
    h[header::kMode] = mode;
    h[header::kSet0] = 11;
    h[header::kSet0 + 1] = set0Width;
    put16(h, header::kSet0 + 2, 510);
    h[header::kSet0 + 4] = 0;
    h[header::kSet1] = 7;
    h[header::kSet1 + 1] = 2;
    put16(h, header::kSet1 + 2, 511);
    h[header::kSet1 + 4] = 4;
    put16(h, header::kSeconds0, seconds);
    put16(h, header::kSeconds1, 0);
    put32(h, header::kStoredPages0, (zrcSize - static_cast<std::uint32_t>(kHeaderSize)) / static_cast<std::uint32_t>(kPageSize));
    put32(h, header::kStoredPages1, 0);
    std::memcpy(h.data() + header::kDataTag, "data", 4);
    put32(h, header::kDataSize, zrcSize - static_cast<std::uint32_t>(kHeaderSize));
    return h;
}
}  // namespace

std::optional<ZrcHeader> fixedLayoutHeader(const WavInput& input, std::uint32_t zrcSize) {
    if (!input.dataTag || input.bitsPerSample == 0) return std::nullopt;
    // Whole seconds, each division dropping its remainder in turn; 64 bits
    // so that a long file's byte count times 8 cannot wrap.
    const std::uint64_t bits = std::uint64_t{input.dataSize} * 8;
    if (input.sampleRate == 11025) return headerFor(zrcSize, bits / 11025 / input.bitsPerSample, 0, 3);
    if (input.sampleRate == 8000) return headerFor(zrcSize, bits / 8000 / input.bitsPerSample, 1, 3);
    return std::nullopt;
}

std::optional<ZrcHeader> freeLayoutHeader(const WavInput& input, std::uint32_t zrcSize, unsigned payloadBytes,
                                          unsigned payloadExtraBits, unsigned codeWidth) {
    const std::uint64_t payloadBits = std::uint64_t{payloadBytes} * 8 + payloadExtraBits;
    // A layout the encoder refuses gets no header either: the two calls of
    // one recording must not disagree on what it is.
    if (!freeLayout(static_cast<std::uint32_t>(payloadBits), codeWidth)) return std::nullopt;
    if (!input.dataTag || input.bitsPerSample == 0 || input.sampleRate == 0) return std::nullopt;
    // Pages (zrcSize x 8 / 4224 is zrcSize / 528) times the codes a page
    // would hold, over the rate. The parameter sets stay the recorder's
    // whatever payload the arguments name: stored files and the recorder's
    // own software know this header by those bytes.
    const std::uint64_t pages = std::uint64_t{zrcSize} * 8 / 4224;
    const std::uint64_t codes = pages * payloadBits / codeWidth;
    const std::uint64_t seconds = codes / input.sampleRate;
    return headerFor(zrcSize, seconds, codeWidth == 2 ? 1 : 0, codeWidth == 4 ? 4 : 3);
}

std::optional<PageLayout> sharedLayout(unsigned codeWidth, std::uint32_t sampleRate) {
    // 3-bit pages hold the recorder's 1,360 codes, the count whole-file
    // decoding reads at that width; pages of 2,048 or 1,024 codes at 8,000
    // Hz are the rate-8 pages playback stretches whole.
    switch (codeWidth) {
        case 2: return sampleRate == 8000 ? freeLayout(4096, 2) : std::nullopt;
        case 3: return sampleRate == 11025 ? freeLayout(4080, 3) : std::nullopt;
        case 4: return sampleRate == 11025 || sampleRate == 8000 ? freeLayout(4096, 4) : std::nullopt;
        default: return std::nullopt;
    }
}

std::optional<ZrcHeader> sharedLayoutHeader(const WavInput& input, std::uint32_t zrcSize, unsigned codeWidth) {
    const auto layout = sharedLayout(codeWidth, input.sampleRate);
    if (!layout) return std::nullopt;
    auto h = freeLayoutHeader(input, zrcSize, layout->payloadBits / 8, layout->payloadBits % 8, codeWidth);
    if (!h) return std::nullopt;
    const std::size_t set = layout->flag() == 1 ? header::kSet1 : header::kSet0;
    (*h)[set] = input.sampleRate == 8000 ? 8 : 11;
    (*h)[set + 1] = static_cast<std::uint8_t>(codeWidth);
    put16(*h, set + 2, layout->payloadBits / 8);
    (*h)[set + 4] = static_cast<std::uint8_t>(layout->payloadBits % 8);
    return h;
}

}  // namespace zrc
