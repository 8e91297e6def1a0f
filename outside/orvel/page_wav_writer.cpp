#include "page_wav_writer.h"

#include "output_file.h"
#include "page_decode.h"
#include "wav_converter.h"

namespace zrc::orvel {

std::optional<WavPlan> planConversion(int bytesPerSample, const SetParameters& set0, const SetParameters& set1) {
    if (bytesPerSample != 1 && bytesPerSample != 2) return std::nullopt;
    const WavPlan plan = planWav(bytesPerSample,
                                 {SetPages{set0.rate, set0.width, set0.pages, std::nullopt},
                                  SetPages{set1.rate, set1.width, set1.pages, std::nullopt}},
                                 0);
    if (plan.undecodable || plan.dataBytes > kMaxWavDataBytes) return std::nullopt;
    return plan;
}

std::optional<std::uint64_t> PageWavWriter::begin(const char* wavName, const WavPlan& plan) {
    m_conversion.reset();
    if (wavName == nullptr || !createWavFile(wavName, plan.format, plan.dataBytes)) return std::nullopt;
    m_decoder.reset();
    m_conversion = Conversion{wavName, plan};
    return kWavHeaderSize + plan.dataBytes;
}

PageWavWriter::Append PageWavWriter::appendPage(const char* wavName, int bytesPerSample, int rate, int width,
                                                const std::uint8_t* codes, std::size_t count) {
    if (!m_conversion || wavName == nullptr || m_conversion->wavName != wavName ||
        bytesPerSample != m_conversion->plan.format.bytesPerSample) {
        return Append::NoConversion;
    }
    const WavPlan& plan = m_conversion->plan;
    const WavAppend appended = appendToWavFile(wavName, plan.format, m_decoder, [&](WavConverter& wav) {
        return plan.native ? wav.appendNativePage(rate, width, codes, count)
                           : wav.appendPlaybackPage(rate, width, codes, count);
    });
    if (appended == WavAppend::Done) return Append::Done;
    m_conversion.reset();
    return appended == WavAppend::FileGone ? Append::FileGone : Append::WriteFailed;
}

}  // namespace zrc::orvel
