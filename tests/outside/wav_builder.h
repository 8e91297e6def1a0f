// RIFF/WAVE bytes for tests, chunk by chunk, so that odd layouts are as easy
// to write as canonical ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "test_files.h"  // le32At

namespace zrc::test {

class WavBuilder {
public:
    // A 16-byte "fmt " chunk.
    WavBuilder& format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
    // Any chunk; an odd body gets its pad byte.
    WavBuilder& chunk(const std::string& id, const std::vector<std::uint8_t>& body);
    // A "data" chunk whose header may claim another size than it holds.
    WavBuilder& data(const std::vector<std::uint8_t>& samples, std::optional<std::uint32_t> declared = {});
    // Replaces "RIFF" / "WAVE" to make files that are not RIFF/WAVE.
    WavBuilder& tags(const std::string& riff, const std::string& wave);

    std::vector<std::uint8_t> bytes() const;

private:
    std::string m_riff = "RIFF";
    std::string m_wave = "WAVE";
    std::vector<std::uint8_t> m_chunks;
};

// The canonical 44-byte layout: "fmt " then "data".
std::vector<std::uint8_t> voiceWav(std::uint32_t rate, std::uint16_t bits, const std::vector<std::uint8_t>& samples,
                                   std::uint16_t channels = 1);

void putLe16(std::vector<std::uint8_t>& out, std::uint16_t v);
void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v);

}  // namespace zrc::test
