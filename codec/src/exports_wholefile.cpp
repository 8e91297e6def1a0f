// C export: whole-file decoding into a WAV file.
// A shim only: check arguments, call the core, map results to the ABI codes.
#include <algorithm>
#include <cstring>
#include <limits>

#include "export_guard.h"
#include "pagecodec.h"
#include "whole_file_decoder.h"

using namespace zrc;

namespace {
// The one conversion the C interface can name: the header call sets it up
// and the page-range calls that follow continue it.
WholeFileDecoder wholeFileDecoder;

int32_t startResult(const WholeFileDecoder::Start& s) {
    using S = WholeFileDecoder::Status;
    switch (s.status) {
        case S::Done:
            return static_cast<int32_t>(
                std::min<std::uint32_t>(s.pageCount, std::numeric_limits<int32_t>::max()));
        case S::CannotOpenRecording: return PAGECODEC_DECODE_CANNOT_OPEN_RECORDING;
        case S::UnsupportedRecording: return PAGECODEC_DECODE_NO_WAV_FORMAT;
        case S::UnsupportedSampleSize: return PAGECODEC_DECODE_BAD_SAMPLE_SIZE;
        default: return PAGECODEC_DECODE_WAV_FAILED;  // the WAV file could not be created or written
    }
}

int32_t rangeResult(const WholeFileDecoder::Range& r) {
    using S = WholeFileDecoder::Status;
    switch (r.status) {
        case S::Done: return static_cast<int32_t>(r.codesOfLastPage);
        case S::NotStarted:
        case S::CannotOpenRecording: return PAGECODEC_DECODE_NOT_STARTED;
        default: return PAGECODEC_DECODE_WAV_FAILED;  // the WAV file could not be opened or written
    }
}
}  // namespace

extern "C" {

PAGECODEC_API int32_t PAGECODEC_CALL AdpcmDec1(const char* zrcFileName, const char* wavFileName, int32_t sampleSize,
                                               int32_t firstPage, int32_t lastPage, uint8_t* headers,
                                               int32_t callKind) {
    // Out of memory: the WAV file, if any, is left as the failed step left it.
    return guarded<int32_t>(PAGECODEC_DECODE_WAV_FAILED, [&] {
        if (callKind != 0) return rangeResult(wholeFileDecoder.decodePages(firstPage, lastPage));
        const auto started = wholeFileDecoder.start(zrcFileName, wavFileName, sampleSize);
        if (started.status == WholeFileDecoder::Status::Done && headers != nullptr) {
            std::memcpy(headers, started.headers.data(), started.headers.size());
        }
        return startResult(started);
    });
}

}  // extern "C"
