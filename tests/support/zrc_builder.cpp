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

ZrcBuilder& ZrcBuilder::mode(std::uint8_t headerMode) {
    m_mode = headerMode;
    return *this;
}
ZrcBuilder& ZrcBuilder::set0(ParameterSet set) {
    m_set0 = set;
    return *this;
}
ZrcBuilder& ZrcBuilder::set1(ParameterSet set) {
    m_set1 = set;
    return *this;
}
ZrcBuilder& ZrcBuilder::pageSize(std::uint16_t size) {
    m_pageSize = size;
    return *this;
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

namespace {
void put16(std::vector<std::uint8_t>& h, std::size_t at, unsigned v) {
    h[at] = static_cast<std::uint8_t>(v);
    h[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& h, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) h[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putSet(std::vector<std::uint8_t>& h, std::size_t at, const ParameterSet& s) {
    h[at] = s.rate;
    h[at + 1] = s.width;
    put16(h, at + 2, s.payloadBytes);
    h[at + 4] = s.payloadBits;
}
}  // namespace

std::vector<std::uint8_t> ZrcBuilder::bytes() const {
    std::vector<std::uint8_t> h(92, 0xFF);
    const auto dataSize = static_cast<std::uint32_t>(m_pages.size());
    std::memcpy(h.data(), "QIFF", 4);
    put32(h, 4, dataSize + 92 - 8);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(h, 16, 64);
    put16(h, 56, 0);
    put16(h, 58, m_pageSize);
    h[60] = m_mode;
    putSet(h, 61, m_set0);
    putSet(h, 66, m_set1);
    put16(h, 71, 0);
    put16(h, 73, 0);
    put32(h, 75, dataSize / 528);
    put32(h, 79, 0);
    std::memcpy(h.data() + 84, "data", 4);
    put32(h, 88, dataSize);
    std::vector<std::uint8_t> file(h.size() + m_pages.size());
    std::copy(h.begin(), h.end(), file.begin());
    std::copy(m_pages.begin(), m_pages.end(), file.begin() + 92);
    return file;
}

}  // namespace zrc::test
