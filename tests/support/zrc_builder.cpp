#include "zrc_builder.h"

#include <algorithm>
#include <cstring>

namespace zrc::test {

std::vector<std::uint8_t> randomCodes(std::size_t n, int width, std::mt19937& rng) {
    std::vector<std::uint8_t> codes(n);
    for (auto& c : codes) c = static_cast<std::uint8_t>(rng() & ((1u << width) - 1));
    return codes;
}

std::vector<std::uint8_t> packCodes(const std::vector<std::uint8_t>& codes, int width) {
    std::vector<std::uint8_t> out((codes.size() * static_cast<std::size_t>(width) + 7) / 8, 0);
    std::size_t bit = 0;
    for (std::uint8_t code : codes) {
        for (int b = 0; b < width; ++b, ++bit) {
            if ((code >> b) & 1) out[bit / 8] = static_cast<std::uint8_t>(out[bit / 8] | (1u << (bit % 8)));
        }
    }
    return out;
}

ZrcBuilder& ZrcBuilder::page(const std::vector<std::uint8_t>& codes, int width, std::uint8_t flag) {
    auto bytes = packCodes(codes, width);
    bytes.resize(std::max<std::size_t>(bytes.size(), 513), 0xFF);
    bytes[512] = flag;
    return rawPage(bytes);
}

ZrcBuilder& ZrcBuilder::rawPage(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> p(528, 0xFF);
    std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 528), p.begin());
    m_pages.insert(m_pages.end(), p.begin(), p.end());
    return *this;
}

std::vector<std::uint8_t> ZrcBuilder::bytes() const {
    std::vector<std::uint8_t> h(92 + m_pages.size(), 0xFF);
    auto put = [&h](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) h[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto putSet = [&](std::size_t at, const ParameterSet& s) {
        put(at, s.rate, 1);
        put(at + 1, s.width, 1);
        put(at + 2, s.payloadBytes, 2);
        put(at + 4, s.payloadBits, 1);
    };
    const auto dataSize = static_cast<std::uint32_t>(m_pages.size());
    std::memcpy(h.data(), "QIFF", 4);
    put(4, dataSize + 92 - 8, 4);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put(16, 64, 4);
    put(56, 0, 2);
    put(58, 528, 2);  // page size
    put(60, m_mode, 1);
    putSet(61, m_set0);
    putSet(66, m_set1);
    put(71, 0, 4);
    put(75, dataSize / 528, 4);
    put(79, 0, 4);
    std::memcpy(h.data() + 84, "data", 4);
    put(88, dataSize, 4);
    std::copy(m_pages.begin(), m_pages.end(), h.begin() + 92);
    return h;
}

}  // namespace zrc::test
