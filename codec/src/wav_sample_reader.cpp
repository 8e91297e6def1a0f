#include "wav_sample_reader.h"

#include <algorithm>

namespace zrc {

WavSampleReader::WavSampleReader(InputFile& file, std::uint64_t offset, unsigned bitsPerSample)
    : m_file(file), m_nextRead(offset), m_bytesPerSample(bitsPerSample == 8 ? 1u : 2u) {
    m_cursor = m_block.size();  // nothing read yet
}

void WavSampleReader::refill() {
    m_valid = m_file.readAt(m_nextRead, m_block);
    // The missing half of a 16-bit sample cut by the end is 0, not
    // InputFile's 0xFF.
    std::fill(m_block.begin() + static_cast<std::ptrdiff_t>(m_valid), m_block.end(), std::uint8_t{0});
    m_nextRead += m_block.size();
    m_cursor = 0;
}

std::size_t WavSampleReader::read(std::span<std::int16_t> out) {
    std::size_t present = 0;
    for (std::int16_t& sample : out) {
        if (m_cursor == m_block.size()) refill();
        if (m_cursor >= m_valid) {
            sample = 0;
        } else if (m_bytesPerSample == 1) {
            // Unsigned 8-bit around 128, moved up to the 16-bit range.
            sample = static_cast<std::int16_t>((m_block[m_cursor] - 128) * 256);
        } else {
            sample = static_cast<std::int16_t>(m_block[m_cursor] | (m_block[m_cursor + 1] << 8));
        }
        present += m_cursor < m_valid ? 1u : 0u;
        m_cursor += m_bytesPerSample;
    }
    return present;
}

}  // namespace zrc
