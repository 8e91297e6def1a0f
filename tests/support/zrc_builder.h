// Builds ZRC recordings byte by byte for tests, from known codes.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace zrc::test {

struct ParameterSet {
    std::uint8_t rate = 11;
    std::uint8_t width = 3;
    std::uint16_t payloadBytes = 510;
    std::uint8_t payloadBits = 0;
};

// The parameter sets the recorder writes: 11 kHz 3-bit and 7 kHz 2-bit.
inline constexpr ParameterSet kWrittenSet0{11, 3, 510, 0};
inline constexpr ParameterSet kWrittenSet1{7, 2, 511, 4};

// Packs codes least-significant bit first, one bit at a time.
std::vector<std::uint8_t> packCodes(const std::vector<std::uint8_t>& codes, int width);

// n codes of the given width drawn from rng.
std::vector<std::uint8_t> randomCodes(std::size_t n, int width, std::mt19937& rng);

class ZrcBuilder {
public:
    ZrcBuilder& mode(std::uint8_t headerMode);
    ZrcBuilder& set0(ParameterSet set);
    ZrcBuilder& set1(ParameterSet set);
    ZrcBuilder& pageSize(std::uint16_t size);
    // Appends a page whose payload holds the packed codes and whose flag
    // byte is flag; the rest of the page is 0xFF.
    ZrcBuilder& page(const std::vector<std::uint8_t>& codes, int width, std::uint8_t flag);
    // Appends a page of raw bytes (at most 528; the rest is 0xFF).
    ZrcBuilder& rawPage(const std::vector<std::uint8_t>& bytes);

    // The 92-byte header followed by the pages, sizes filled in.
    std::vector<std::uint8_t> bytes() const;

private:
    std::uint8_t m_mode = 0;
    ParameterSet m_set0 = kWrittenSet0;
    ParameterSet m_set1 = kWrittenSet1;
    std::uint16_t m_pageSize = 528;
    std::vector<std::uint8_t> m_pages;
};

}  // namespace zrc::test
