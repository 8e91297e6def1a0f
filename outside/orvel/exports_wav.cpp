// C exports that measure and play plain WAV files. Shims only: check
// arguments, ask a WavFile, map to the ABI codes, let no exception escape.
#include <cstdlib>
#include <vector>

#include "orvel.h"
#include "wav_file.h"

using namespace zrc::orvel;

namespace {
constexpr std::int32_t kNoSampleSize = static_cast<std::int32_t>(WavError::NotVoicePcm);
constexpr std::int32_t kDataTooFar = static_cast<std::int32_t>(WavError::DataTooFar);
// GetWavType describes the data start in one byte, as start - 1.
constexpr std::uint64_t kMaxDescribedStart = 256;
}  // namespace

extern "C" {

ORVEL_API int32_t ORVEL_CALL WavPlx(const char* fileName, int32_t, uint8_t, void**, int32_t, int32_t,
                                    uint8_t* info) {
    try {
        WavFile file(fileName);
        if (file.status() != 0) return file.status();
        if (info != nullptr) {
            info[50] = file.wave().rateCode;
            info[51] = file.wave().bitsPerSample;
        }
        return reportedDataLength(file.wave());
    } catch (...) {
        return static_cast<std::int32_t>(WavError::CannotOpen);
    }
}

ORVEL_API int32_t ORVEL_CALL GetWavType(const char* fileName, uint8_t* info) {
    try {
        WavFile file(fileName);
        if (file.status() != 0) return file.status();
        const VoiceWav& w = file.wave();
        if (w.dataOffset > kMaxDescribedStart) return kDataTooFar;
        if (info != nullptr) {
            info[0] = w.rateCode;
            info[1] = w.bytesPerSample;
            info[2] = static_cast<uint8_t>(w.dataOffset - 1);
        }
        return reportedDataLength(w);
    } catch (...) {
        return static_cast<std::int32_t>(WavError::CannotOpen);
    }
}

ORVEL_API int32_t ORVEL_CALL PcmWavPlay(const char* fileName, uint8_t sampleSize, int32_t start, int32_t length,
                                        void** slot) {
    if (slot == nullptr) return 0;
    *slot = nullptr;
    try {
        WavFile file(fileName);
        if (file.status() != 0) return file.status();
        const VoiceWav& w = file.wave();
        if (sampleSize != w.bytesPerSample) return kNoSampleSize;
        const Stretch stretch = clipStretch(w, start, length);
        std::vector<std::uint8_t> raw(static_cast<std::size_t>(stretch.bytes));
        raw.resize(file.read(stretch, raw));
        const std::uint64_t outBytes = widenedBytes(raw.size(), w.bytesPerSample);
        if (outBytes == 0) return 0;
        void* block = std::calloc(static_cast<std::size_t>(outBytes), 1);
        if (block == nullptr) return 0;
        widenToPcm16(raw, w.bytesPerSample, std::span(static_cast<std::uint8_t*>(block), outBytes));
        *slot = block;
        return static_cast<std::int32_t>(outBytes);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
