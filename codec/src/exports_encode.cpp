// C exports: WAV input checks, header writing and encoding.
// Shims only: open the files, call the core, map results to the ABI codes.
#include <array>

#include "export_guard.h"
#include "output_file.h"
#include "page_encoder.h"
#include "pagecodec.h"
#include "wav_check.h"
#include "wav_input.h"
#include "zrc_header_writer.h"

using namespace zrc;

namespace {

// The library-wide encoder state. A recording encoded over several calls,
// page range by page range, runs on through it as one signal.
Encoder EncoderState;

// Of the 32-bit layout arguments only the low 16 bits count.
unsigned low16(std::int32_t v) { return static_cast<std::uint16_t>(v); }

// A recording is never made over the WAV file it comes from, by any name
// (links included): truncating or appending to it would destroy the input,
// readable or not. It counts as a recording that cannot be created or
// opened, and the WAV file stays as it was.
OutputFile createRecording(const char* wavName, const char* zrcName) {
    if (isSameFile(wavName, zrcName)) return {};
    return OutputFile::create(zrcName);
}

OutputFile appendToRecording(const char* wavName, const char* zrcName) {
    if (isSameFile(wavName, zrcName)) return {};
    return OutputFile::openForAppend(zrcName);
}

std::int32_t writeHeader(OutputFile& zrc, const std::optional<ZrcHeader>& header) {
    if (!header) return PAGECODEC_HEADER_REFUSED;
    zrc.write(*header);
    return zrc.close() ? PAGECODEC_HEADER_WRITTEN : PAGECODEC_HEADER_WRITE_FAILED;
}

std::int32_t encode(InputFile& wav, const WavInput& input, const PageLayout& layout, std::uint32_t startPage,
                    std::uint32_t pagesToWrite, OutputFile& zrc) {
    if (!input.dataTag) return PAGECODEC_ENCODE_NO_DATA_TAG;
    if (!input.hasSamples()) return PAGECODEC_ENCODE_BAD_BITS_PER_SAMPLE;
    encodePages(EncoderState, wav, input, layout, startPage, pagesToWrite, zrc);
    return zrc.close() ? PAGECODEC_ENCODE_DONE : PAGECODEC_ENCODE_WRITE_FAILED;
}

}  // namespace

extern "C" {

// Out of memory while checking: reported as the file being unreadable.
PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_check(const char* fileName) {
    return guarded<int32_t>(PAGECODEC_CHECK_CANNOT_OPEN, [&]() -> int32_t {
        InputFile file(fileName);
        if (!file.isOpen()) return PAGECODEC_CHECK_CANNOT_OPEN;
        return checkForFixedLayout(readWavInput(file));
    });
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_check_f(const char* fileName, int32_t payloadBytes,
                                                     int32_t payloadExtraBits, int32_t codeWidth) {
    return guarded<int32_t>(PAGECODEC_CHECK_CANNOT_OPEN, [&]() -> int32_t {
        InputFile file(fileName);
        if (!file.isOpen()) return PAGECODEC_CHECK_CANNOT_OPEN;
        return checkForFreeLayout(readWavInput(file), low16(payloadBytes), low16(payloadExtraBits),
                                  low16(codeWidth));
    });
}

PAGECODEC_API uint32_t PAGECODEC_CALL wav_samplef(const char* fileName) {
    return guarded<uint32_t>(0, [&]() -> uint32_t {
        InputFile file(fileName);
        std::array<std::uint8_t, 4> rate{};
        if (!file.isOpen() || file.readAt(24, rate) < rate.size()) return 0;
        return readLe32(rate.data());
    });
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_bitmode(const char* fileName) {
    return guarded<int32_t>(0, [&]() -> int32_t {
        InputFile file(fileName);
        std::array<std::uint8_t, 1> bits{};
        if (!file.isOpen() || file.readAt(34, bits) < bits.size()) return 0;
        return bits[0];
    });
}

// Out of memory while writing a header or pages: reported as the write that
// did not reach the disk.
PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_mkheader(const char* fileName, const char* zrcFileName,
                                                      uint32_t zrcSize) {
    return guarded<int32_t>(PAGECODEC_HEADER_WRITE_FAILED, [&]() -> int32_t {
        // Both opens come before either test: the recording is created
        // (empty) even when the WAV file cannot be read.
        InputFile wav(fileName);
        OutputFile zrc = createRecording(fileName, zrcFileName);
        if (!wav.isOpen()) return PAGECODEC_HEADER_CANNOT_OPEN_WAV;
        if (!zrc.isOpen()) return PAGECODEC_HEADER_CANNOT_CREATE_ZRC;
        return writeHeader(zrc, fixedLayoutHeader(readWavInput(wav), zrcSize));
    });
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_mkheader_f(const char* fileName, const char* zrcFileName,
                                                        uint32_t zrcSize, int32_t payloadBytes,
                                                        int32_t payloadExtraBits, int32_t codeWidth) {
    return guarded<int32_t>(PAGECODEC_HEADER_WRITE_FAILED, [&]() -> int32_t {
        InputFile wav(fileName);
        OutputFile zrc = createRecording(fileName, zrcFileName);
        if (!wav.isOpen()) return PAGECODEC_HEADER_CANNOT_OPEN_WAV;
        if (!zrc.isOpen()) return PAGECODEC_HEADER_CANNOT_CREATE_ZRC;
        return writeHeader(zrc, freeLayoutHeader(readWavInput(wav), zrcSize, low16(payloadBytes),
                                                 low16(payloadExtraBits), low16(codeWidth)));
    });
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_encoder(const char* fileName, const char* zrcFileName,
                                                     uint32_t startPage, uint32_t pagesToWrite) {
    return guarded<int32_t>(PAGECODEC_ENCODE_WRITE_FAILED, [&]() -> int32_t {
        InputFile wav(fileName);
        OutputFile zrc = appendToRecording(fileName, zrcFileName);
        if (!wav.isOpen()) return PAGECODEC_ENCODE_CANNOT_OPEN_WAV;
        if (!zrc.isOpen()) return PAGECODEC_ENCODE_CANNOT_OPEN_ZRC;
        const WavInput input = readWavInput(wav);
        const auto layout = fixedLayout(input.sampleRate);
        // A file at another rate is left unencoded and reported done, as
        // callers have always seen it; refusing such a file is the check's job.
        if (!layout) return PAGECODEC_ENCODE_DONE;
        return encode(wav, input, *layout, startPage, pagesToWrite, zrc);
    });
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_encoder_f(const char* fileName, const char* zrcFileName,
                                                       uint32_t startPage, uint32_t pagesToWrite,
                                                       int32_t payloadBytes, int32_t payloadExtraBits,
                                                       int32_t codeWidth) {
    return guarded<int32_t>(PAGECODEC_ENCODE_WRITE_FAILED, [&]() -> int32_t {
        InputFile wav(fileName);
        OutputFile zrc = appendToRecording(fileName, zrcFileName);
        if (!wav.isOpen()) return PAGECODEC_ENCODE_CANNOT_OPEN_WAV;
        if (!zrc.isOpen()) return PAGECODEC_ENCODE_CANNOT_OPEN_ZRC;
        const unsigned payloadBits = low16(payloadBytes) * 8 + low16(payloadExtraBits);
        const unsigned width = low16(codeWidth);
        if (payloadBits > static_cast<unsigned>(kMaxPayloadBits)) return PAGECODEC_ENCODE_PAYLOAD_OUT_OF_RANGE;
        if (!isCodeWidth(width)) return PAGECODEC_ENCODE_BAD_CODE_WIDTH;
        // A payload too short for one code would make pages that hold nothing.
        const auto layout = freeLayout(payloadBits, width);
        if (!layout) return PAGECODEC_ENCODE_PAYLOAD_OUT_OF_RANGE;
        return encode(wav, readWavInput(wav), *layout, startPage, pagesToWrite, zrc);
    });
}

}  // extern "C"
