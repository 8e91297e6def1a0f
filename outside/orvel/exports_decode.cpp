// C exports that decode recordings: playback blocks and their stream
// header, and the page-by-page conversion to a WAV file. Shims only: check
// arguments, call an object, map to the ABI codes, let no exception escape.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "export_guard.h"
#include "orvel.h"
#include "page_decode.h"
#include "page_wav_writer.h"
#include "playback_blocks.h"
#include "stream_rate.h"
#include "wav_format.h"

using namespace zrc;
using namespace zrc::orvel;

namespace {
// The interface has no handles: playback continues one decoder from page to
// page, and the conversion keeps its format and its own decoder between
// calls, so that neither disturbs the other.
Decoder playbackDecoder;
PageWavWriter conversion;

constexpr std::int32_t kNoConversion = -1;
constexpr std::int32_t kFileGone = -2;
constexpr std::int32_t kWriteFailed = -3;

std::size_t codeCount(std::int32_t count) { return static_cast<std::size_t>(std::max(count, 0)); }
}  // namespace

extern "C" {

ORVEL_API int32_t ORVEL_CALL SoundSet11k16bit(void** slot, int32_t rateSelector, uint8_t* buffer) {
    return guarded<int32_t>(0, [&] {
        makeHeaderBlock(announcedRate(rateSelector), slot, buffer);
        return 0;
    });
}

ORVEL_API int32_t ORVEL_CALL pb_adpcm_dec(int32_t rate, int32_t width, int32_t count, const uint8_t* codes,
                                          void** slot, int32_t mode) {
    if (mode == 1) {
        playbackDecoder.reset();
        return 0;
    }
    // No block without memory for it: nothing decoded, *slot as it was.
    return guarded<int32_t>(0, [&] { return makePlaybackBlock(playbackDecoder, rate, width, count, codes, slot); });
}

ORVEL_API int32_t ORVEL_CALL AdpcmDecHeader(const char* wavFileName, int32_t pcmBit, int32_t rate0, int32_t rate1,
                                            int32_t bits0, int32_t bits1, int32_t pages0, int32_t pages1,
                                            uint8_t* scratch) {
    return guarded<int32_t>(-1, [&]() -> int32_t {
        // Refused or not, a header call ends the conversion before it.
        conversion.end();
        const auto plan = planConversion(pcmBit, {rate0, bits0, static_cast<std::uint32_t>(pages0)},
                                         {rate1, bits1, static_cast<std::uint32_t>(pages1)});
        if (!plan) return -1;
        const auto needed = conversion.begin(wavFileName, *plan);
        if (!needed) return -1;
        if (scratch != nullptr) {
            const auto header = wavHeader(plan->format, plan->dataBytes);
            std::memcpy(scratch, header.data(), header.size());
        }
        // The caller compares this with a 32-bit count of free bytes.
        return static_cast<int32_t>(std::min<std::uint64_t>(*needed, std::numeric_limits<int32_t>::max()));
    });
}

ORVEL_API int32_t ORVEL_CALL AdpcmDecx(const char* wavFileName, const uint8_t* codes, int32_t rate, int32_t width,
                                       int32_t count, int32_t pcmBit, int32_t mode) {
    if (mode == 1) {
        conversion.restart();
        return 0;
    }
    if (codes == nullptr && count > 0) return kNoConversion;
    return guarded<int32_t>(kWriteFailed, [&] {
        using A = PageWavWriter::Append;
        switch (conversion.appendPage(wavFileName, pcmBit, rate, width, codes, codeCount(count))) {
            case A::Done: return 0;
            case A::NoConversion: return kNoConversion;
            case A::FileGone: return kFileGone;
            case A::WriteFailed: return kWriteFailed;
        }
        return kWriteFailed;
    });
}

}  // extern "C"
