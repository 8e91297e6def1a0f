// Reads a WAV file's samples as 16-bit linear values, in large blocks.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "input_file.h"

namespace zrc {

class WavSampleReader {
public:
    // Reads from byte offset on; bitsPerSample is 8 (unsigned bytes, scaled
    // to 16 bits) or 16 (signed little-endian).
    WavSampleReader(InputFile& file, std::uint64_t offset, unsigned bitsPerSample);

    // Fills out with the next samples and returns how many of them start
    // within the file. Samples that start at or past its end are 0, as is
    // the missing half of a 16-bit sample cut by the end.
    std::size_t read(std::span<std::int16_t> out);

private:
    void refill();

    InputFile& m_file;
    std::uint64_t m_nextRead;     // file offset of the byte after the block
    unsigned m_bytesPerSample;
    std::size_t m_cursor = 0;     // next byte of the block
    std::size_t m_valid = 0;      // bytes of the block that came from the file
    // An even size: a block never splits a 16-bit sample.
    std::array<std::uint8_t, 32768> m_block{};
};

}  // namespace zrc
