#include "page_access.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace zrc {

RecordingInfo inspectRecording(InputFile& file) {
    std::array<std::uint8_t, kHeaderSize> h{};
    const std::size_t got = file.readAt(0, h);
    if (!isConformingHeader(std::span<const std::uint8_t>(h.data(), got), file.size())) {
        return filledRecordingInfo(kNotARecording);
    }
    return recordingInfoFromHeader(h, file.size());
}

int readPage(InputFile& file, std::uint64_t index, std::span<std::uint8_t, kPageSize> page) {
    file.readAt(pageOffset(index), page);
    return pageTypeOfFlag(page[kPageFlagOffset]);
}

void readPageTypes(InputFile& file, std::span<std::uint8_t> table) { readPageTypes(file, 0, table); }

void readPageTypes(InputFile& file, std::uint64_t firstPage, std::span<std::uint8_t> table) {
    // Whole runs of pages at a time: one read per run instead of a seek per flag.
    constexpr std::size_t kPagesPerRead = 128;
    std::vector<std::uint8_t> run(kPagesPerRead * kPageSize);
    for (std::size_t first = 0; first < table.size(); first += kPagesPerRead) {
        const std::size_t pages = std::min(kPagesPerRead, table.size() - first);
        // The flag of the last page of the run is as far as the read needs to go.
        const std::size_t bytes = (pages - 1) * kPageSize + kPageFlagOffset + 1;
        file.readAt(pageOffset(firstPage + first), std::span(run.data(), bytes));
        for (std::size_t i = 0; i < pages; ++i) {
            table[first + i] = static_cast<std::uint8_t>(pageTypeOfFlag(run[i * kPageSize + kPageFlagOffset]));
        }
    }
}

std::array<std::uint64_t, 2> countPageTypes(InputFile& file, std::uint64_t first, std::uint64_t count) {
    std::array<std::uint64_t, 2> counts{};
    const std::uint64_t size = file.size();
    const std::uint64_t flagged = size > pageFlagOffset(0) ? (size - pageFlagOffset(0) - 1) / kPageSize + 1 : 0;
    const std::uint64_t end = first + count;
    const std::uint64_t readEnd = std::clamp(flagged, first, end);
    std::vector<std::uint8_t> run(static_cast<std::size_t>(std::min<std::uint64_t>(readEnd - first, 1 << 14)));
    for (std::uint64_t page = first; page < readEnd; page += run.size()) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(run.size(), readEnd - page));
        readPageTypes(file, page, std::span(run.data(), n));
        for (std::size_t i = 0; i < n; ++i) ++counts[run[i]];
    }
    counts[1] += end - readEnd;
    return counts;
}

std::array<std::uint64_t, 2> countPageTypes(std::span<const std::uint8_t> table) {
    std::array<std::uint64_t, 2> counts{};
    for (const std::uint8_t t : table) {
        if (t <= 1) ++counts[t];
    }
    return counts;
}

std::int32_t playingTime(const std::uint8_t* table, std::uint32_t lastIndex, std::int32_t pageMs0,
                         std::int32_t pageMs1) {
    std::int64_t ms = 0;
    for (std::uint64_t i = 0; i <= lastIndex; ++i) {
        if (table[i] == 0) ms += pageMs0;
        else if (table[i] == 1) ms += pageMs1;
    }
    // More than 24 days of pages would wrap the 32-bit count; hold it at the top.
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace zrc
