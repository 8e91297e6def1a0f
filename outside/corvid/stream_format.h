// The output format a playback's header block announces.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zrc::corvid {

struct StreamFormat {
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 0;  // 8 (unsigned), 16 or 32 (signed)

    std::uint32_t frameBytes() const { return channels * (bitsPerSample / 8u); }
};

// The format of a RIFF/WAVE header whose "fmt " chunk describes PCM that the
// output can play; nothing for any other bytes.
std::optional<StreamFormat> streamFormatOf(std::span<const std::uint8_t> header);

}  // namespace zrc::corvid
