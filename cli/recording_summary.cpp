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

    // Pages whose flag lies past the end of the file are of type 1 without
    // a read; the others are counted in runs, so no table of a page count's
    // size (which a damaged page size can make huge) is ever needed.
    const std::uint64_t size = in.size();
    const std::uint64_t flagged = size > pageFlagOffset(0) ? (size - pageFlagOffset(0) - 1) / kPageSize + 1 : 0;
    const std::uint64_t readable = std::min<std::uint64_t>(flagged, s.info.pageCount);
    std::vector<std::uint8_t> run(1 << 14);
    for (std::uint64_t first = 0; first < readable; first += run.size()) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(run.size(), readable - first));
        readPageTypes(in, first, std::span(run.data(), n));
        for (std::size_t i = 0; i < n; ++i) ++s.pagesByType[run[i]];
    }
    s.pagesByType[1] += static_cast<std::uint32_t>(s.info.pageCount - readable);
    s.playingMs = std::int64_t{s.pagesByType[0]} * s.info.pageMs0 + std::int64_t{s.pagesByType[1]} * s.info.pageMs1;
    return s;
}

}  // namespace zrc::cli
