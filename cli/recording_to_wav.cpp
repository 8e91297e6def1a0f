#include "recording_to_wav.h"

#include <algorithm>
#include <array>
#include <limits>
#include <mutex>
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

std::array<std::uint64_t, 2> countPageTypes(InputFile& in, std::uint64_t pages) {
    std::array<std::uint64_t, 2> counts{};
    std::vector<std::uint8_t> run(1 << 14);
    for (std::uint64_t first = 0; first < pages; first += run.size()) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(run.size(), pages - first));
        readPageTypes(in, first, std::span(run.data(), n));
        for (std::size_t i = 0; i < n; ++i) ++counts[run[i]];
    }
    return counts;
}

}  // namespace

PlanOrError planDecode(InputFile& in, int bytesPerSample) {
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

    const auto types = countPageTypes(in, plan.pages);
    const int mode = h[header::kMode];
    // Without pages the header mode names the set (mode 2 has none: set 0).
    plan.setIndex = types[0] > 0 ? 0 : (types[1] > 0 ? 1 : (mode == 1 ? 1 : 0));
    const bool singleType = types[0] == 0 || types[1] == 0;
    const int rate = plan.setIndex == 0 ? plan.info.rate0 : plan.info.rate1;
    const int width = plan.setIndex == 0 ? plan.info.bits0 : plan.info.bits1;
    const auto nativeRate = nativeSampleRate(plan.setIndex, rate);
    const auto layout = nativeLayout(width, rate);

    const auto bps = static_cast<std::uint64_t>(bytesPerSample);
    plan.native = singleType && nativeRate && layout;
    if (plan.native) {
        plan.layout = *layout;
        // A header that describes another payload than the recorder's (a
        // recording made for wider pages) is followed, so that no code of a
        // page is left out; recorder files keep AdpcmDec1's bytes.
        const int payloadBytes = plan.setIndex == 0 ? plan.info.payloadBytes0 : plan.info.payloadBytes1;
        const int payloadBits = plan.setIndex == 0 ? plan.info.payloadBits0 : plan.info.payloadBits1;
        const int described = unpackedCodeCount(width, payloadBytes, payloadBits);
        if (described > 0 && static_cast<std::size_t>(described) != layout->codes) {
            const auto codes = static_cast<std::size_t>(described);
            plan.layout = {payloadBytes, payloadBits, codes, nativeSampleCount(rate, codes)};
        }
        plan.format = {*nativeRate, bytesPerSample};
        plan.dataBytes = plan.pages * plan.layout.samples * bps;
    } else {
        plan.format = {kPlaybackRate, bytesPerSample};
        plan.dataBytes = (types[0] * playbackSamplesPerPage(plan.info, 0) +
                          types[1] * playbackSamplesPerPage(plan.info, 1)) * bps;
    }
    if (plan.dataBytes > std::numeric_limits<std::uint32_t>::max() - 36) {
        return "too long for a WAV file (" + std::to_string(plan.dataBytes) + " bytes of samples)";
    }
    return plan;
}

namespace {

// The WAV file of a native plan decoded by codeInParts: every run of pages
// is written where it belongs, whichever thread decodes it.
std::string writeNativeInParts(InputFile& in, OutputFile& out, const DecodePlan& plan,
                               const std::function<bool(std::uint64_t)>& progress, const PartsOptions& options,
                               PartsReport* report) {
    const int rate = plan.setIndex == 0 ? plan.info.rate0 : plan.info.rate1;
    const int width = plan.setIndex == 0 ? plan.info.bits0 : plan.info.bits1;
    const auto bps = static_cast<std::size_t>(plan.format.bytesPerSample);
    const std::size_t pageBytes = plan.layout.samples * bps;
    std::mutex outMutex;
    bool ok = out.writeAt(0, wavHeader(plan.format, plan.dataBytes));

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
                const int count = unpackCodes(width, plan.layout.payloadBytes, plan.layout.extraBits,
                                              pagesRead.data() + i * kPageSize, codes.data());
                const std::size_t got =
                    decodeNative(decoder, rate, width, codes.data(), static_cast<std::size_t>(count), samples.data());
                if (write) storePcm(std::span(samples.data(), got), plan.format.bytesPerSample, pcm.data() + i * pageBytes);
            }
            if (write) {
                std::lock_guard lock(outMutex);
                if (!out.writeAt(kWavHeaderSize + page * pageBytes, std::span(pcm.data(), n * pageBytes))) return false;
                part.counted += n;
            }
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
    if (plan.native && parts.threads > 1 && plan.pages / std::max<std::uint64_t>(1, parts.minPagesPerPart) > 1) {
        return writeNativeInParts(in, out, plan, progress, parts, report);
    }
    if (report != nullptr) *report = {};
    Decoder decoder;
    decoder.reset();
    WavConverter wav(decoder, out, plan.format);
    bool ok = wav.begin(plan.dataBytes);
    const int rate = plan.setIndex == 0 ? plan.info.rate0 : plan.info.rate1;
    const int width = plan.setIndex == 0 ? plan.info.bits0 : plan.info.bits1;
    for (std::uint64_t first = 0; ok && first < plan.pages; first += kPagesPerStep) {
        const std::uint64_t last = std::min<std::uint64_t>(first + kPagesPerStep, plan.pages) - 1;
        ok = plan.native ? appendNativePages(in, wav, first, last, rate, width, plan.layout)
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
