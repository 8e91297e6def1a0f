// Recording inspection and page access over an opened file.
#pragma once

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

// Playing time in ms at the end of page lastIndex (see get_time).
std::int32_t playingTime(const std::uint8_t* table, std::uint32_t lastIndex, std::int32_t pageMs0,
                         std::int32_t pageMs1);

}  // namespace zrc
