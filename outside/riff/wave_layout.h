// The layout of a RIFF/WAVE stream: its "fmt " fields and where its sample
// data lies, found by walking the chunk list. Orvel, Corvid and zrc encode
// each judge the same layout by their own rules.
#pragma once

#include <cstdint>
#include <optional>

#include "byte_source.h"

namespace zrc::riff {

inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr std::uint16_t kFormatFloat = 3;
inline constexpr std::uint16_t kFormatExtensible = 0xFFFE;

struct PcmFormat {
    // For WAVE_FORMAT_EXTENSIBLE this is the tag of the sub-format, so a PCM
    // stream reads as kFormatPcm whichever way it was written.
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;  // the room a sample takes, in bits
    // An extensible format whose GUID holds no plain tag; formatTag then
    // stays kFormatExtensible.
    bool unknownSubFormat = false;
    // The valid bits an extensible format with a plain tag states; 0 when
    // the format states none.
    std::uint16_t validBits = 0;
};

struct DataChunk {
    std::uint64_t offset = 0;        // first sample byte
    std::uint64_t size = 0;          // sample bytes actually present
    std::uint32_t declaredSize = 0;  // as the chunk header states it
    std::uint64_t bytesAfter = 0;    // past the declared body and its pad byte
};

struct WaveLayout {
    bool riffWave = false;             // "RIFF" .... "WAVE"
    bool rf64 = false;                 // "RF64" in place of "RIFF", not walked
    std::optional<PcmFormat> format;   // first "fmt " chunk of at least 16 bytes
    // A "fmt " chunk too short for its fields came before the one in format
    // (or before the end, when there is none).
    bool shortFormatFirst = false;
    std::optional<DataChunk> data;     // first "data" chunk
};

WaveLayout scanWave(ByteSource& source);

}  // namespace zrc::riff
