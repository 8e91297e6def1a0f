// What `zrc info` reports about one recording.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

#include "pagecodec.h"

namespace zrc::cli {

struct RecordingSummary {
    int headerMode = 0;
    RecordingInfo info{};
    std::array<std::uint32_t, 2> pagesByType{};  // over info.pageCount pages
    std::int64_t playingMs = 0;                   // as the player sums it
};

// The reason a file gives no summary: "cannot open: ..." or "not a ZRC
// recording".
using SummaryOrError = std::variant<RecordingSummary, std::string>;
SummaryOrError summarizeRecording(const std::filesystem::path& file);

// Why a file cannot be opened for reading, for messages.
std::string cannotOpenReason(const std::filesystem::path& file);

}  // namespace zrc::cli
