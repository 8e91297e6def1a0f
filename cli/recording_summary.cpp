#include "recording_summary.h"

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "input_file.h"
#include "output_paths.h"
#include "page_access.h"
#include "zrc_format.h"

namespace zrc::cli {

std::string cannotOpenReason(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) return "cannot open: is a folder";
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr) return "cannot open: " + systemReason(errno);
    std::fclose(f);
    return "cannot open: not a regular file";
}

SummaryOrError summarizeRecording(const std::filesystem::path& file) {
    InputFile in(file.c_str());
    if (!in.isOpen()) return cannotOpenReason(file);
    RecordingSummary s;
    s.info = inspectRecording(in);
    if (s.info.rate0 == kNotARecording) return std::string("not a ZRC recording");
    std::array<std::uint8_t, 1> mode{};
    in.readAt(header::kMode, mode);
    s.headerMode = mode[0];

    const auto types = countPageTypes(in, 0, s.info.pageCount);
    s.pagesByType = {static_cast<std::uint32_t>(types[0]), static_cast<std::uint32_t>(types[1])};
    s.playingMs = std::int64_t{s.pagesByType[0]} * s.info.pageMs0 + std::int64_t{s.pagesByType[1]} * s.info.pageMs1;
    return s;
}

}  // namespace zrc::cli
