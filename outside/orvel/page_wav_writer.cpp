#include "page_wav_writer.h"

#include <array>
#include <limits>

#include "output_file.h"
#include "page_decode.h"
#include "wav_converter.h"

namespace zrc::orvel {

namespace {

// Beyond this the RIFF size field (data + 36) cannot tell the truth.
constexpr std::uint64_t kMaxWavData = std::numeric_limits<std::uint32_t>::max() - 36;

std::optional<ConversionPlan> nativePlan(int setIndex, const SetParameters& set, int bytesPerSample) {
    const auto sampleRate = nativeSampleRate(setIndex, set.rate);
    const auto layout = nativeLayout(set.width, set.rate);
    if (!sampleRate || !layout) return std::nullopt;
    ConversionPlan plan;
    plan.format = {*sampleRate, bytesPerSample};
    plan.native = true;
    plan.dataBytes = std::uint64_t{set.pages} * layout->samples * static_cast<unsigned>(bytesPerSample);
    return plan;
}

std::optional<ConversionPlan> playbackPlan(const std::array<SetParameters, 2>& sets, int bytesPerSample) {
    ConversionPlan plan;
    plan.format = {kPlaybackRate, bytesPerSample};
    plan.native = false;
    for (const SetParameters& set : sets) {
        if (set.pages == 0) continue;
        // Rate 11 gives a sample per code; the usual payload of the width
        // says how many codes a page holds.
        const auto layout = nativeLayout(set.width, set.rate);
        const std::size_t samples = layout ? playbackSampleCount(set.rate, set.width, layout->codes) : 0;
        if (samples == 0) return std::nullopt;
        plan.dataBytes += std::uint64_t{set.pages} * samples * static_cast<unsigned>(bytesPerSample);
    }
    return plan;
}

}  // namespace

std::optional<ConversionPlan> planConversion(int bytesPerSample, const SetParameters& set0,
                                             const SetParameters& set1) {
    if (bytesPerSample != 1 && bytesPerSample != 2) return std::nullopt;
    std::optional<ConversionPlan> plan;
    if (set0.pages == 0 || set1.pages == 0) {
        const int single = set0.pages == 0 && set1.pages > 0 ? 1 : 0;
        plan = nativePlan(single, single == 0 ? set0 : set1, bytesPerSample);
    }
    if (!plan) plan = playbackPlan({set0, set1}, bytesPerSample);
    if (!plan || plan->dataBytes > kMaxWavData) return std::nullopt;
    return plan;
}

std::optional<std::uint64_t> PageWavWriter::begin(const char* wavName, const ConversionPlan& plan) {
    m_conversion.reset();
    if (wavName == nullptr) return std::nullopt;
    OutputFile out = OutputFile::create(wavName);
    const bool created = out.isOpen();
    WavConverter wav(m_decoder, out, plan.format);
    const bool written = created && wav.begin(plan.dataBytes);
    if (!out.close() || !written) {
        // A file cut inside its header (a full disk) is no WAV file at all.
        if (created) removeFile(wavName);
        return std::nullopt;
    }
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
    const ConversionPlan& plan = m_conversion->plan;
    // Opening an existing file only: a file deleted by a cancel must not
    // come back as samples without a header.
    OutputFile out = OutputFile::openExisting(wavName);
    WavConverter wav(m_decoder, out, plan.format);
    if (!wav.resume()) {
        m_conversion.reset();
        return Append::FileGone;
    }
    bool ok = plan.native ? wav.appendNativePage(rate, width, codes, count)
                          : wav.appendPlaybackPage(rate, width, codes, count);
    ok = wav.updateSizes() && ok;
    ok = out.close() && ok;
    if (!ok) {
        // A page that did not reach the file would leave a gap in the sound
        // if later pages went on after it; what did reach it stays, and the
        // header says no more than that.
        keepOnlyWholeSamples(wavName, plan.format);
        m_conversion.reset();
        return Append::WriteFailed;
    }
    return Append::Done;
}

}  // namespace zrc::orvel
