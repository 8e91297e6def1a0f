// A single-type recording into a complete WAV file, in a header call and
// page-range calls that each open and close both files.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "decoder.h"
#include "page_decode.h"
#include "wav_format.h"
#include "zrc_format.h"

namespace zrc {

// Pages whole-file decoding converts: the header's data size in pages, but
// never more than the file holds (a trailing partial page counts), so a
// damaged size cannot ask for gigabytes of padding.
std::uint32_t wholeFilePageCount(std::span<const std::uint8_t, kHeaderSize> header, std::uint64_t fileLength);

class WholeFileDecoder {
public:
    enum class Status {
        Done,
        CannotOpenRecording,
        CannotCreateWav,
        UnsupportedRecording,   // header mode, rate code or width without a WAV format
        UnsupportedSampleSize,  // neither 1 (8-bit) nor 2 (16-bit)
        NotStarted,             // pages asked for without a successful start
        CannotOpenWav,
        CannotWriteWav,
    };

    struct Start {
        Status status = Status::Done;
        std::uint32_t pageCount = 0;
        // The recording's header followed by the WAV header written.
        std::array<std::uint8_t, kHeaderSize + kWavHeaderSize> headers{};
    };
    struct Range {
        Status status = Status::Done;
        std::size_t codesOfLastPage = 0;  // 0 when the range holds no page
    };

    // Reads the recording's header, picks the parameter set by header mode,
    // creates the WAV file with a header announcing every page, resets the
    // decoder and keeps what the page calls need. Unsupported recordings and
    // sample sizes are refused before any file is created. Any start first
    // drops the conversion of an earlier one.
    Start start(const char* zrcName, const char* wavName, int sampleSize);

    // Appends pages first to last (inclusive, held to the page count) to the
    // WAV file of the last successful start, continuing the decoder, and
    // leaves the header's sizes telling the samples in the file.
    Range decodePages(std::int64_t first, std::int64_t last);

    const Decoder& decoder() const { return m_decoder; }

private:
    struct Conversion {
        std::string zrcName;
        std::string wavName;
        int rate = 0;
        int width = 0;
        PcmFormat format;
        std::uint32_t pageCount = 0;
        std::size_t codesPerPage = 0;
    };

    Decoder m_decoder;
    std::optional<Conversion> m_conversion;
};

}  // namespace zrc
