// One recording into PCM WAV bytes: what `zrc decode` does per file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "coding_parts.h"
#include "input_file.h"
#include "output_file.h"
#include "page_decode.h"
#include "pagecodec.h"
#include "wav_format.h"
#include "wav_plan.h"

namespace zrc::cli {

struct DecodePlan {
    RecordingInfo info{};
    std::uint32_t pages = 0;
    WavPlan wav;
    std::string warning;  // something the user should know; not a failure
};

using PlanOrError = std::variant<DecodePlan, std::string>;

// Inspects an opened file and decides how to convert it to samples of
// bytesPerSample (1 or 2). Errors: not a recording, truncated (fewer pages
// than the header's data size announces), too long for a WAV file (when
// the output is one).
PlanOrError planDecode(InputFile& in, int bytesPerSample, bool intoWav = true);

// Writes the WAV file of the plan to out (not closed here), reporting each
// run of pages done to progress; progress returning false stops the work.
// Returns an empty string on success, else the reason: kRecordingCut when
// the recording became shorter while it was read, else why out failed.
// With parts.threads above 1 a long recording of one parameter set is
// decoded in parts at once: each part after the first starts a few pages
// early from the reset state, and its output counts only when its state on
// reaching its first page equals, bit for bit, the state the part before it
// ends with (the state decides everything after it); otherwise the part
// before goes on through it. Either way the bytes are those of one piece.
inline constexpr const char* kRecordingCut = "the recording became shorter while it was read";
std::string writeWav(InputFile& in, OutputFile& out, const DecodePlan& plan,
                     const std::function<bool(std::uint64_t pagesDone)>& progress, const PartsOptions& parts = {},
                     PartsReport* report = nullptr);

}  // namespace zrc::cli
