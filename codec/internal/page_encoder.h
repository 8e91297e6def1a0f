// Encoding WAV samples into ZRC pages.
#pragma once

#include <cstdint>
#include <span>

#include "byte_sink.h"
#include "encoder.h"
#include "input_file.h"
#include "page_layout.h"
#include "wav_input.h"
#include "zrc_format.h"

namespace zrc {

// Packs codes of the given width least-significant bit first into
// ceil(codes.size() x width / 8) bytes of out; bits past the last code are 0.
void packCodes(std::span<const std::uint8_t> codes, int width, std::uint8_t* out);

// Encodes one page's samples (layout.codesPerPage() of them, of which the
// first `present` come from the input) and lays out the whole page: the
// packed payload, 0xFF filler, the page flag at byte 512.
void encodePage(Encoder& encoder, std::span<const std::int16_t> samples, std::size_t present,
                const PageLayout& layout, std::span<std::uint8_t, kPageSize> page);

// Encodes pages startPage .. startPage + pageCount - 1 of a WAV file's
// samples and appends them to out. A range that starts at page 0 resets the
// encoder first; any other continues its state, so consecutive ranges give
// the bytes of one run. The input must have samples (WavInput::hasSamples).
// Reads and writes in large blocks; memory does not grow with the range.
void encodePages(Encoder& encoder, InputFile& wav, const WavInput& input, const PageLayout& layout,
                 std::uint64_t startPage, std::uint64_t pageCount, ByteSink& out);

}  // namespace zrc
