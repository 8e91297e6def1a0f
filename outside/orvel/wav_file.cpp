#include "wav_file.h"

#include "input_file_source.h"
#include "wave_layout.h"

namespace zrc::orvel {

WavFile::WavFile(const char* name) : m_file(name) {
    if (!m_file.isOpen()) {
        m_status = static_cast<std::int32_t>(WavError::CannotOpen);
        return;
    }
    riff::InputFileSource source(m_file);
    m_status = describeVoiceWav(riff::scanWave(source), m_wave);
}

std::size_t WavFile::read(const Stretch& stretch, std::span<std::uint8_t> out) {
    const std::size_t got = m_file.readAt(stretch.offset, out);
    const std::size_t bps = m_wave.bytesPerSample == 0 ? 1 : m_wave.bytesPerSample;
    return got / bps * bps;
}

}  // namespace zrc::orvel
