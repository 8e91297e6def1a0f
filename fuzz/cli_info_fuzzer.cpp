// What zrc info reports about any recording bytes, beside what the exports
// say of the same file: the same record, the same count of each page type
// (the tool counts in runs and never reads flags past the end of the file)
// and the playing time that get_time sums.
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "pagecodec.h"
#include "recording_summary.h"

using namespace zrc::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string zrc = Scratch::get().write("rec.zrc", std::span(data, size));
    const RecordingInfo info = play_splpget(zrc.c_str());
    const auto result = zrc::cli::summarizeRecording(zrc);
    const auto* summary = std::get_if<zrc::cli::RecordingSummary>(&result);
    if (summary == nullptr) {
        ZRC_FUZZ_CHECK(std::get<std::string>(result) == "not a ZRC recording" && info.rate0 == 13);
        return 0;
    }
    ZRC_FUZZ_CHECK(std::memcmp(&summary->info, &info, sizeof info) == 0);
    ZRC_FUZZ_CHECK(summary->headerMode == data[60]);
    ZRC_FUZZ_CHECK(std::uint64_t{summary->pagesByType[0]} + summary->pagesByType[1] == info.pageCount);
    // A damaged page size can announce millions of pages; the table is
    // made for the small counts only.
    if (info.pageCount == 0 || info.pageCount > 100000) return 0;
    auto table = std::make_unique<std::uint8_t[]>(info.pageCount);
    ZRC_FUZZ_CHECK(pb_splptblmk(zrc.c_str(), table.get(), info.pageCount) == 0);
    uint32_t counters[2] = {0, 0};
    splp_pageno(table.get(), counters, info.pageCount);
    ZRC_FUZZ_CHECK(counters[0] == summary->pagesByType[0] && counters[1] == summary->pagesByType[1]);
    // get_time holds at the top of its 32-bit result.
    const int32_t ms = get_time(table.get(), info.pageCount - 1, info.pageMs0, info.pageMs1);
    ZRC_FUZZ_CHECK(summary->playingMs == ms || (summary->playingMs > INT32_MAX && ms == INT32_MAX));
    return 0;
}
