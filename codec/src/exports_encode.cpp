// C exports: WAV input checks, header writing and encoding.
// Shims only: open the files, call the core, map results to the ABI codes.
#include <array>

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

namespace headerResult {
constexpr std::int32_t kWritten = 0;
constexpr std::int32_t kCannotOpenWav = 1;
constexpr std::int32_t kCannotCreateZrc = 2;
constexpr std::int32_t kRefused = 3;
constexpr std::int32_t kWriteFailed = 4;
}  // namespace headerResult

namespace encodeResult {
constexpr std::int32_t kDone = 0;
constexpr std::int32_t kCannotOpenWav = 1;
constexpr std::int32_t kCannotOpenZrc = 2;
constexpr std::int32_t kPayloadOutOfRange = 3;
constexpr std::int32_t kBadCodeWidth = 4;
constexpr std::int32_t kBadBitsPerSample = 5;
constexpr std::int32_t kNoDataTag = 6;
constexpr std::int32_t kWriteFailed = 7;
}  // namespace encodeResult

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
    if (!header) return headerResult::kRefused;
    zrc.write(*header);
    return zrc.close() ? headerResult::kWritten : headerResult::kWriteFailed;
}

std::int32_t encode(InputFile& wav, const WavInput& input, const PageLayout& layout, std::uint32_t startPage,
                    std::uint32_t pagesToWrite, OutputFile& zrc) {
    if (!input.dataTag) return encodeResult::kNoDataTag;
    if (!input.hasSamples()) return encodeResult::kBadBitsPerSample;
    encodePages(EncoderState, wav, input, layout, startPage, pagesToWrite, zrc);
    return zrc.close() ? encodeResult::kDone : encodeResult::kWriteFailed;
}

}  // namespace

extern "C" {

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_check(const char* fileName) {
    InputFile file(fileName);
    if (!file.isOpen()) return wavcheck::kCannotOpen;
    return checkForFixedLayout(readWavInput(file));
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_check_f(const char* fileName, int32_t payloadBytes,
                                                     int32_t payloadExtraBits, int32_t codeWidth) {
    InputFile file(fileName);
    if (!file.isOpen()) return wavcheck::kCannotOpen;
    return checkForFreeLayout(readWavInput(file), low16(payloadBytes), low16(payloadExtraBits), low16(codeWidth));
}

PAGECODEC_API uint32_t PAGECODEC_CALL wav_samplef(const char* fileName) {
    InputFile file(fileName);
    std::array<std::uint8_t, 4> rate{};
    if (!file.isOpen() || file.readAt(24, rate) < rate.size()) return 0;
    return readLe32(rate.data());
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_bitmode(const char* fileName) {
    InputFile file(fileName);
    std::array<std::uint8_t, 1> bits{};
    if (!file.isOpen() || file.readAt(34, bits) < bits.size()) return 0;
    return bits[0];
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_mkheader(const char* fileName, const char* zrcFileName,
                                                      uint32_t zrcSize) {
    // Both opens come before either test: the recording is created (empty)
    // even when the WAV file cannot be read.
    InputFile wav(fileName);
    OutputFile zrc = createRecording(fileName, zrcFileName);
    if (!wav.isOpen()) return headerResult::kCannotOpenWav;
    if (!zrc.isOpen()) return headerResult::kCannotCreateZrc;
    return writeHeader(zrc, fixedLayoutHeader(readWavInput(wav), zrcSize));
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_mkheader_f(const char* fileName, const char* zrcFileName,
                                                        uint32_t zrcSize, int32_t payloadBytes,
                                                        int32_t payloadExtraBits, int32_t codeWidth) {
    InputFile wav(fileName);
    OutputFile zrc = createRecording(fileName, zrcFileName);
    if (!wav.isOpen()) return headerResult::kCannotOpenWav;
    if (!zrc.isOpen()) return headerResult::kCannotCreateZrc;
    return writeHeader(zrc, freeLayoutHeader(readWavInput(wav), zrcSize, low16(payloadBytes),
                                             low16(payloadExtraBits), low16(codeWidth)));
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_encoder(const char* fileName, const char* zrcFileName,
                                                     uint32_t startPage, uint32_t pagesToWrite) {
    InputFile wav(fileName);
    OutputFile zrc = appendToRecording(fileName, zrcFileName);
    if (!wav.isOpen()) return encodeResult::kCannotOpenWav;
    if (!zrc.isOpen()) return encodeResult::kCannotOpenZrc;
    const WavInput input = readWavInput(wav);
    const auto layout = fixedLayout(input.sampleRate);
    // A file at another rate is left unencoded and reported done, as callers
    // have always seen it; refusing such a file is the check's job.
    if (!layout) return encodeResult::kDone;
    return encode(wav, input, *layout, startPage, pagesToWrite, zrc);
}

PAGECODEC_API int32_t PAGECODEC_CALL wav_zrc_encoder_f(const char* fileName, const char* zrcFileName,
                                                       uint32_t startPage, uint32_t pagesToWrite,
                                                       int32_t payloadBytes, int32_t payloadExtraBits,
                                                       int32_t codeWidth) {
    InputFile wav(fileName);
    OutputFile zrc = appendToRecording(fileName, zrcFileName);
    if (!wav.isOpen()) return encodeResult::kCannotOpenWav;
    if (!zrc.isOpen()) return encodeResult::kCannotOpenZrc;
    const unsigned payloadBits = low16(payloadBytes) * 8 + low16(payloadExtraBits);
    const unsigned width = low16(codeWidth);
    if (payloadBits > static_cast<unsigned>(kMaxPayloadBits)) return encodeResult::kPayloadOutOfRange;
    if (!isCodeWidth(width)) return encodeResult::kBadCodeWidth;
    // A payload too short for one code would make pages that hold nothing.
    const auto layout = freeLayout(payloadBits, width);
    if (!layout) return encodeResult::kPayloadOutOfRange;
    return encode(wav, readWavInput(wav), *layout, startPage, pagesToWrite, zrc);
}

}  // extern "C"
