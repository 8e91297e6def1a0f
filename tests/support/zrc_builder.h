// Builds ZRC recordings byte by byte for tests, from known codes.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace zrc::test {

struct ParameterSet {
    std::uint8_t rate = 11, width = 3;
    std::uint16_t payloadBytes = 510;
    std::uint8_t payloadBits = 0;
};

// Packs codes least-significant bit first, one bit at a time.
std::vector<std::uint8_t> packCodes(const std::vector<std::uint8_t>& codes, int width);

std::vector<std::uint8_t> randomCodes(std::size_t n, int width, std::mt19937& rng);

// The parameter sets default to the recorder's: 11 kHz 3-bit and 7 kHz 2-bit.
class ZrcBuilder {
public:
    ZrcBuilder& mode(std::uint8_t headerMode) { m_mode = headerMode; return *this; }
    ZrcBuilder& set0(ParameterSet set) { m_set0 = set; return *this; }
    ZrcBuilder& set1(ParameterSet set) { m_set1 = set; return *this; }
    // Appends a page of the packed codes and the flag byte; the rest is 0xFF.
    ZrcBuilder& page(const std::vector<std::uint8_t>& codes, int width, std::uint8_t flag);
    // Appends a page of raw bytes (at most 528; the rest is 0xFF).
    ZrcBuilder& rawPage(const std::vector<std::uint8_t>& bytes);

    // The 92-byte header followed by the pages, sizes filled in.
    std::vector<std::uint8_t> bytes() const;

private:
    std::uint8_t m_mode = 0;
    ParameterSet m_set0{11, 3, 510, 0};
    ParameterSet m_set1{7, 2, 511, 4};
    std::vector<std::uint8_t> m_pages;
};

}  // namespace zrc::test
