#include "recording_to_wav.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "decoder.h"
#include "output_paths.h"
#include "page_access.h"
#include "page_conversion.h"
#include "page_decode.h"
#include "unpack.h"
#include "wav_converter.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace {

constexpr std::uint64_t kPagesPerStep = 256;

std::string pagesText(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " page" : " pages"); }

}  // namespace

PlanOrError planDecode(InputFile& in, int bytesPerSample, bool intoWav) {
    DecodePlan plan;
    plan.info = inspectRecording(in);
    if (plan.info.rate0 == kNotARecording) return std::string("not a ZRC recording");
    std::array<std::uint8_t, kHeaderSize> h{};
    in.readAt(0, h);

    // The header's data size says how many pages there are, as whole-file
    // decoding counts them; a file with fewer lost its end.
    const std::uint64_t announced = readLe32(h.data() + header::kDataSize) / kPageSize;
    const std::uint64_t held = (in.size() - kHeaderSize) / kPageSize;
    if (held < announced) {
        const bool partial = (in.size() - kHeaderSize) % kPageSize != 0;
        return "truncated: the header announces " + pagesText(announced) + ", the file holds " + pagesText(held) +
               (partial ? " and part of another" : "");
    }
    if (held > announced) {
        plan.warning = "the " + pagesText(held - announced) + " after the header's " + pagesText(announced) +
                       " are not converted";
    }
    plan.pages = static_cast<std::uint32_t>(announced);

    plan.wav = planRecordingWav(bytesPerSample, plan.info, h[header::kMode], countPageTypes(in, 0, plan.pages));
    if (intoWav && plan.wav.dataBytes > kMaxWavDataBytes) {
        return "too long for a WAV file (" + std::to_string(plan.wav.dataBytes) + " bytes of samples)";
    }
    return plan;
}

namespace {

// The WAV file of a native plan decoded by codeInParts: every run of pages
// is written where it belongs, whichever thread decodes it.
std::string writeNativeInParts(InputFile& in, OutputFile& out, const DecodePlan& plan,
                               const std::function<bool(std::uint64_t)>& progress, const PartsOptions& options,
                               PartsReport* report) {
    const ParameterSet set = setOf(plan.info, plan.wav.setIndex);
    const int rate = set.rate;
    const int width = set.width;
    const auto bps = static_cast<std::size_t>(plan.wav.format.bytesPerSample);
    const std::size_t pageBytes = plan.wav.layout.samples * bps;
    bool ok = out.writeAt(0, wavHeader(plan.wav.format, plan.wav.dataBytes));
    PlacedPages placed(out, kWavHeaderSize, pageBytes);

    const RunPages run = [&](AdpcmState& state, std::uint64_t first, std::uint64_t last, bool write,
                             PartContext& part, const std::function<void()>& tick) {
        constexpr std::uint64_t kPagesPerRead = 64;
        std::vector<std::uint8_t> pagesRead(kPagesPerRead * kPageSize);
        std::vector<std::uint8_t> pcm(kPagesPerRead * pageBytes);
        std::array<std::uint8_t, kMaxCodesPerPage> codes{};
        std::array<std::int16_t, kMaxNativeSamples> samples{};
        Decoder decoder;
        decoder.setState(state);
        for (std::uint64_t page = first; page <= last && !part.stop; page += kPagesPerRead) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPagesPerRead, last - page + 1));
            in.readAt(pageOffset(page), std::span(pagesRead.data(), n * kPageSize));
            for (std::size_t i = 0; i < n; ++i) {
                const int count = unpackCodes(width, plan.wav.layout.payloadBytes, plan.wav.layout.extraBits,
                                              pagesRead.data() + i * kPageSize, codes.data());
                const std::size_t got =
                    decodeNative(decoder, rate, width, codes.data(), static_cast<std::size_t>(count), samples.data());
                if (write) storePcm(std::span(samples.data(), got), plan.wav.format.bytesPerSample, pcm.data() + i * pageBytes);
            }
            if (write && !placed.write(page, std::span(pcm.data(), n * pageBytes), part)) return false;
            tick();
        }
        state = decoder.state();
        return true;
    };
    const PartsOutcome outcome = codeInParts(ok ? plan.pages : 0, options, run, progress);
    if (report != nullptr) *report = outcome.report;
    if (outcome.interrupted) return "interrupted";
    if (in.shortRead()) return kRecordingCut;
    if (!ok || !outcome.ok) return systemReason(out.error());
    return {};
}

}  // namespace

std::string writeWav(InputFile& in, OutputFile& out, const DecodePlan& plan,
                     const std::function<bool(std::uint64_t)>& progress, const PartsOptions& parts,
                     PartsReport* report) {
    if (plan.wav.native && parts.threads > 1 && plan.pages / std::max<std::uint64_t>(1, parts.minPagesPerPart) > 1) {
        return writeNativeInParts(in, out, plan, progress, parts, report);
    }
    if (report != nullptr) *report = {};
    Decoder decoder;
    decoder.reset();
    WavConverter wav(decoder, out, plan.wav.format);
    bool ok = wav.begin(plan.wav.dataBytes);
    const ParameterSet set = setOf(plan.info, plan.wav.setIndex);
    const int rate = set.rate;
    const int width = set.width;
    for (std::uint64_t first = 0; ok && first < plan.pages; first += kPagesPerStep) {
        const std::uint64_t last = std::min<std::uint64_t>(first + kPagesPerStep, plan.pages) - 1;
        ok = plan.wav.native ? appendNativePages(in, wav, first, last, rate, width, plan.wav.layout)
                         : appendPlaybackPages(in, wav, first, last, plan.info);
        if (ok && progress && !progress(last - first + 1)) return "interrupted";
    }
    ok = ok && wav.updateSizes();
    // Pages read as 0xFF because the recording was cut meanwhile would be
    // noise in a file that looks complete.
    if (in.shortRead()) return kRecordingCut;
    if (!ok) return systemReason(out.error());
    return {};
}

}  // namespace zrc::cli
