// Recording inspection and page access over an opened file.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "input_file.h"
#include "pagecodec.h"
#include "zrc_format.h"

namespace zrc {

// The record of play_splpget for an opened file (never the all-1 record).
RecordingInfo inspectRecording(InputFile& file);

// Reads one whole page into page; returns its type (0 or 1) by its flag.
int readPage(InputFile& file, std::uint64_t index, std::span<std::uint8_t, kPageSize> page);

// Stores the type of pages 0 .. table.size() - 1.
void readPageTypes(InputFile& file, std::span<std::uint8_t> table);
// The same for pages firstPage .. firstPage + table.size() - 1.
void readPageTypes(InputFile& file, std::uint64_t firstPage, std::span<std::uint8_t> table);

// Pages of each type among pages first .. first + count - 1, read in runs:
// no table of a page count's size, which a damaged header can make huge.
// Pages whose flag lies past the end of the file are of type 1, unread.
std::array<std::uint64_t, 2> countPageTypes(InputFile& file, std::uint64_t first, std::uint64_t count);
// The entries equal to 0 and to 1 in a table of page types.
std::array<std::uint64_t, 2> countPageTypes(std::span<const std::uint8_t> table);

// Playing time in ms at the end of page lastIndex (see get_time).
std::int32_t playingTime(const std::uint8_t* table, std::uint32_t lastIndex, std::int32_t pageMs0,
                         std::int32_t pageMs1);

}  // namespace zrc
