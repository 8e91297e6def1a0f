#include "wav_plan.h"

#include "unpack.h"
#include "zrc_format.h"

namespace zrc {

namespace {

std::optional<NativeLayout> layoutOf(const SetPages& set) {
    auto layout = nativeLayout(set.width, set.rate);
    if (!layout || !set.payload) return layout;
    const auto [bytes, bits] = *set.payload;
    const int described = unpackedCodeCount(set.width, bytes, bits);
    if (described > 0 && static_cast<std::size_t>(described) != layout->codes) {
        const auto codes = static_cast<std::size_t>(described);
        layout = NativeLayout{bytes, bits, codes, nativeSampleCount(set.rate, codes)};
    }
    return layout;
}

std::size_t playbackSamplesPerPage(const SetPages& set) {
    if (set.payload) {
        const int codes = unpackedCodeCount(set.width, set.payload->first, set.payload->second);
        return playbackSampleCount(set.rate, set.width, static_cast<std::size_t>(codes));
    }
    const auto layout = nativeLayout(set.width, set.rate);
    return layout ? playbackSampleCount(set.rate, set.width, layout->codes) : 0;
}

}  // namespace

WavPlan planWav(int bytesPerSample, const std::array<SetPages, 2>& sets, int setWithoutPages) {
    const auto bps = static_cast<std::uint64_t>(bytesPerSample);
    WavPlan plan;
    plan.setIndex = sets[0].pages > 0 ? 0 : (sets[1].pages > 0 ? 1 : setWithoutPages);
    const SetPages& set = sets[static_cast<std::size_t>(plan.setIndex)];
    const bool singleType = sets[0].pages == 0 || sets[1].pages == 0;
    const auto nativeRate = nativeSampleRate(plan.setIndex, set.rate);
    const auto layout = layoutOf(set);
    plan.native = singleType && nativeRate && layout;
    if (plan.native) {
        plan.format = {*nativeRate, bytesPerSample};
        plan.layout = *layout;
        plan.dataBytes = set.pages * layout->samples * bps;
        return plan;
    }
    plan.format = {kPlaybackRate, bytesPerSample};
    for (const SetPages& s : sets) {
        if (s.pages == 0) continue;
        const std::size_t samples = playbackSamplesPerPage(s);
        plan.undecodable = plan.undecodable || samples == 0;
        plan.dataBytes += s.pages * samples * bps;
    }
    return plan;
}

namespace {

SetPages setPagesOf(const RecordingInfo& info, int pageType, std::uint64_t pages) {
    const ParameterSet s = setOf(info, pageType);
    return {s.rate, s.width, pages, std::pair{s.payloadBytes, s.payloadBits}};
}

}  // namespace

WavPlan planRecordingWav(int bytesPerSample, const RecordingInfo& info, int headerMode,
                         const std::array<std::uint64_t, 2>& pagesByType) {
    // Mode 2 names no set of its own: set 0.
    return planWav(bytesPerSample, {setPagesOf(info, 0, pagesByType[0]), setPagesOf(info, 1, pagesByType[1])},
                   headerMode == 1 ? 1 : 0);
}

std::size_t plannedPageSamples(const WavPlan& plan, const RecordingInfo& info, int pageType) {
    if (plan.native) return plan.layout.samples;
    return playbackSamplesPerPage(setPagesOf(info, pageType, 1));
}

}  // namespace zrc
