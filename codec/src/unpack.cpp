#include "unpack.h"

#include "zrc_format.h"

namespace zrc {

namespace {
std::uint8_t u8(unsigned v) { return static_cast<std::uint8_t>(v); }

void unpack2(const std::uint8_t* p, int count, std::uint8_t* c) {
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const unsigned b = p[k >> 2];
        c[k] = u8(b & 3);
        c[k + 1] = u8((b >> 2) & 3);
        c[k + 2] = u8((b >> 4) & 3);
        c[k + 3] = u8(b >> 6);
    }
    for (; k < count; ++k) c[k] = u8((p[k >> 2] >> (2 * (k & 3))) & 3);
}

void unpack4(const std::uint8_t* p, int count, std::uint8_t* c) {
    int k = 0;
    for (; k + 2 <= count; k += 2) {
        c[k] = u8(p[k >> 1] & 15);
        c[k + 1] = u8(p[k >> 1] >> 4);
    }
    if (k < count) c[k] = u8(p[k >> 1] & 15);
}

void unpack3(const std::uint8_t* p, int count, std::uint8_t* c) {
    int k = 0;
    // Eight codes from each group of three bytes.
    for (; k + 8 <= count; k += 8, p += 3) {
        const unsigned g = unsigned{p[0]} | (unsigned{p[1]} << 8) | (unsigned{p[2]} << 16);
        for (int m = 0; m < 8; ++m) c[k + m] = u8((g >> (3 * m)) & 7);
    }
    // The codes that lie wholly within the rest of the last group; only the
    // bytes that hold them are read.
    for (int m = 0; k < count; ++k, ++m) {
        const int bit = 3 * m;
        unsigned v = p[bit >> 3];
        if ((bit & 7) > 5) v |= static_cast<unsigned>(p[(bit >> 3) + 1]) << 8;
        c[k] = u8((v >> (bit & 7)) & 7);
    }
}
}  // namespace

int unpackedCodeCount(int width, int bytes, int extraBits) {
    if (!isCodeWidth(static_cast<unsigned>(width)) || bytes < 0 || extraBits < 0 || extraBits > 8) return 0;
    const int bits = bytes * 8 + extraBits;
    if (bits > kMaxPayloadBits) return 0;
    return bits / width;
}

int unpackCodes(int width, int bytes, int extraBits, const std::uint8_t* page, std::uint8_t* codes) {
    const int count = unpackedCodeCount(width, bytes, extraBits);
    if (count == 0) return 0;
    switch (width) {
        case 2: unpack2(page, count, codes); break;
        case 3: unpack3(page, count, codes); break;
        default: unpack4(page, count, codes); break;
    }
    return count;
}

}  // namespace zrc
