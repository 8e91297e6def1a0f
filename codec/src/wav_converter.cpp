#include "wav_converter.h"

#include <algorithm>

namespace zrc {

static_assert(kMaxNativeSamples <= kMaxPlaybackSamples, "one scratch buffer serves both layouts");

WavConverter::WavConverter(Decoder& decoder, OutputFile& out, PcmFormat format)
    : m_decoder(decoder), m_out(out), m_format(format) {}

bool WavConverter::begin(std::uint64_t announcedDataBytes) {
    m_dataBytes = 0;
    return m_out.writeAt(0, wavHeader(m_format, announcedDataBytes));
}

bool WavConverter::resume() {
    if (!m_out.isOpen() || m_out.size() < kWavHeaderSize) return false;
    m_dataBytes = m_out.size() - kWavHeaderSize;
    return true;
}

bool WavConverter::appendNativePage(int rate, int width, const std::uint8_t* codes, std::size_t count) {
    const std::size_t n = decodeNative(m_decoder, rate, width, codes, count, m_samples.data());
    return appendSamples(std::span(m_samples.data(), n));
}

bool WavConverter::appendPlaybackPage(int rate, int width, const std::uint8_t* codes, std::size_t count) {
    const std::size_t n = decodeForPlayback(m_decoder, rate, width, codes, count, m_samples.data());
    return appendSamples(std::span(m_samples.data(), n));
}

bool WavConverter::appendSamples(std::span<const std::int16_t> samples) {
    const auto bps = static_cast<std::size_t>(m_format.bytesPerSample);
    while (!samples.empty()) {
        const std::size_t n = std::min(samples.size(), m_bytes.size() / bps);
        storePcm(samples.first(n), m_format.bytesPerSample, m_bytes.data());
        if (!m_out.append(std::span(m_bytes.data(), n * bps))) return false;
        m_dataBytes += n * bps;
        samples = samples.subspan(n);
    }
    return true;
}

bool WavConverter::updateSizes() {
    const auto h = wavHeader(m_format, m_dataBytes);
    return m_out.writeAt(kWavOuterSizeField, std::span(h).subspan(kWavOuterSizeField, 4)) &&
           m_out.writeAt(kWavDataSizeField, std::span(h).subspan(kWavDataSizeField, 4));
}

bool createWavFile(const char* wavName, PcmFormat format, std::uint64_t announcedDataBytes) {
    OutputFile out = OutputFile::create(wavName);
    if (!out.isOpen()) return false;
    const bool written = out.writeAt(0, wavHeader(format, announcedDataBytes));
    if (!out.close() || !written) {
        removeFile(wavName);
        return false;
    }
    return true;
}

WavAppend appendToWavFile(const char* wavName, PcmFormat format, Decoder& decoder,
                          const std::function<bool(WavConverter&)>& write) {
    OutputFile out = OutputFile::openExisting(wavName);
    WavConverter wav(decoder, out, format);
    if (!wav.resume()) return WavAppend::FileGone;
    bool ok = write(wav);
    ok = wav.updateSizes() && ok;
    ok = out.close() && ok;
    if (ok) return WavAppend::Done;
    // Samples that did not reach the file would leave a gap in the sound if
    // later ones went on after them; what did reach it stays, and the
    // header says no more than that.
    keepOnlyWholeSamples(wavName, format);
    return WavAppend::WriteFailed;
}

void keepOnlyWholeSamples(const char* wavName, PcmFormat format) {
    OutputFile out = OutputFile::openExisting(wavName);
    if (out.size() < kWavHeaderSize) return;
    const std::uint64_t data = out.size() - kWavHeaderSize;
    const std::uint64_t whole = data - data % static_cast<unsigned>(format.bytesPerSample);
    const auto h = wavHeader(format, whole);
    if (out.truncate(kWavHeaderSize + whole)) {
        out.writeAt(kWavOuterSizeField, std::span(h).subspan(kWavOuterSizeField, 4));
        out.writeAt(kWavDataSizeField, std::span(h).subspan(kWavDataSizeField, 4));
    }
    out.close();
}

}  // namespace zrc
