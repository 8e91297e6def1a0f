// A voice WAV file opened for one call: the only place Orvel opens files.
#pragma once

#include <cstdint>
#include <span>

#include "input_file.h"
#include "voice_wav.h"

namespace zrc::orvel {

class WavFile {
public:
    explicit WavFile(const char* name);

    // 0, or the WavError that keeps the file from being used.
    std::int32_t status() const { return m_status; }
    const VoiceWav& wave() const { return m_wave; }

    // Reads a stretch into out (out.size() == stretch.bytes); returns the
    // whole samples actually read, in bytes, fewer only if the file shrank.
    std::size_t read(const Stretch& stretch, std::span<std::uint8_t> out);

private:
    InputFile m_file;
    VoiceWav m_wave;
    std::int32_t m_status = 0;
};

}  // namespace zrc::orvel
