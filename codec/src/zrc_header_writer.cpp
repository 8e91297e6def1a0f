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
    if (!input.dataTag || input.bitsPerSample == 0 || codeWidth == 0 || input.sampleRate == 0) return std::nullopt;
    // Pages (zrcSize x 8 / 4224 is zrcSize / 528) times the codes a page
    // would hold, over the rate.
    const std::uint64_t payloadBits = std::uint64_t{payloadBytes} * 8 + payloadExtraBits;
    const std::uint64_t pages = std::uint64_t{zrcSize} * 8 / 4224;
    const std::uint64_t codes = pages * payloadBits / codeWidth;
    const std::uint64_t seconds = codes / input.sampleRate;
    ZrcHeader h = headerFor(zrcSize, seconds, codeWidth == 2 ? 1 : 0, codeWidth == 4 ? 4 : 3);

    // The set the pages use describes them as they are: their payload, cut to
    // whole codes as the encoder fills it, and the rate of the input. With the
    // recorder's payload and rate codes in its place, a reader that follows
    // the header would drop codes from every page (and play 8,000 Hz input at
    // another speed), and the whole recording would decode to noise.
    const std::size_t set = codeWidth == 2 ? header::kSet1 : header::kSet0;
    const std::uint64_t usedBits = codeWidth * (payloadBits / codeWidth);
    if (input.sampleRate == 11025) h[set] = 11;
    if (input.sampleRate == 8000) h[set] = 8;
    h[set + 1] = static_cast<std::uint8_t>(codeWidth);
    put16(h, set + 2, usedBits / 8);
    h[set + 4] = static_cast<std::uint8_t>(usedBits % 8);
    return h;
}

}  // namespace zrc
