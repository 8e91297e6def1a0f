#include "recording_to_sound.h"

#include <algorithm>
#include <future>
#include <vector>

#include "decoder.h"
#include "output_paths.h"
#include "page_conversion.h"
#include "wav_format.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace {

// libsndfile writing into the temporary file a batch keeps for the output.
class OutputFileSink : public sound::SoundSink {
public:
    explicit OutputFileSink(OutputFile& out) : m_out(out) {}
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        return offset == m_out.size() ? m_out.append(bytes) : m_out.writeAt(offset, bytes);
    }
    std::uint64_t size() const override { return m_out.size(); }

private:
    OutputFile& m_out;
};

constexpr std::uint64_t kPagesPerRun = 256;

}  // namespace

std::string writeSound(InputFile& in, OutputFile& out, const DecodePlan& plan, const sound::SoundSettings& settings,
                       const std::function<bool(std::uint64_t)>& progress, unsigned threads) {
    OutputFileSink sink(out);
    sound::SoundWriter writer(sink, static_cast<int>(plan.wav.format.sampleRate), settings);
    if (!writer.ok()) return writer.error();
    Decoder decoder;
    decoder.reset();
    // Each run of pages continues the decoder where the one before left it,
    // so runs are decoded one after the other; with a thread to spare the
    // next run is decoded while the encoder takes this one.
    const auto decodeRun = [&](std::uint64_t first) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPagesPerRun, plan.pages - first));
        std::vector<std::uint8_t> pages(n * kPageSize);
        std::vector<std::int16_t> samples(n * kMaxPlaybackSamples);
        in.readAt(pageOffset(first), pages);
        std::size_t count = 0;
        for (std::size_t i = 0; i < n; ++i) {
            count += decodePlannedPage(decoder, plan.wav, plan.info,
                                       std::span<const std::uint8_t, kPageSize>(pages.data() + i * kPageSize, kPageSize),
                                       samples.data() + count);
        }
        samples.resize(count);
        // 8-bit samples are the ones an 8-bit WAV file holds, whatever the
        // format's own rounding would make of 16 bits.
        if (settings.bits == 8) {
            for (std::int16_t& s : samples) s = static_cast<std::int16_t>((pcm8(s) - 128) * 256);
        }
        return samples;
    };
    const auto policy = threads > 1 ? std::launch::async : std::launch::deferred;
    std::future<std::vector<std::int16_t>> next;
    if (plan.pages > 0) next = std::async(policy, decodeRun, 0);
    bool ok = true;
    for (std::uint64_t first = 0; ok && first < plan.pages; first += kPagesPerRun) {
        const std::vector<std::int16_t> samples = next.get();
        if (first + kPagesPerRun < plan.pages) next = std::async(policy, decodeRun, first + kPagesPerRun);
        ok = writer.write(samples);
        if (ok && progress && !progress(std::min<std::uint64_t>(kPagesPerRun, plan.pages - first))) {
            return "interrupted";
        }
    }
    ok = ok && writer.finish();
    if (in.shortRead()) return kRecordingCut;
    if (!ok) return out.error() != 0 ? systemReason(out.error()) : writer.error();
    return {};
}

}  // namespace zrc::cli
