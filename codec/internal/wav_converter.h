// Decoded pages into a PCM WAV file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "decoder.h"
#include "output_file.h"
#include "page_decode.h"
#include "wav_format.h"

namespace zrc {

// Appends the samples of page after page to a WAV file and keeps its
// header's two size fields in step with them. It works on a file its caller
// opened, so the caller chooses how long the file stays open: one converter
// over a file held open for a whole recording (streaming, constant memory),
// or a new converter per call over a file reopened each time with resume().
// Decoding continues the state of the decoder given, which the converter
// neither resets nor owns.
class WavConverter {
public:
    WavConverter(Decoder& decoder, OutputFile& out, PcmFormat format);

    // Writes the header at the start of a new, empty file, announcing
    // announcedDataBytes of samples before any are there.
    bool begin(std::uint64_t announcedDataBytes);
    // Takes up a file that an earlier converter began: everything after its
    // header counts as samples already written. False for a file too short
    // to hold a header.
    bool resume();

    // Decodes one page and appends its samples: at the recording's own rate
    // (decodeNative) or at 11,025 Hz (decodeForPlayback).
    bool appendNativePage(int rate, int width, const std::uint8_t* codes, std::size_t count);
    bool appendPlaybackPage(int rate, int width, const std::uint8_t* codes, std::size_t count);
    bool appendSamples(std::span<const std::int16_t> samples);

    // Makes the header's two sizes tell the samples actually written.
    bool updateSizes();

    std::uint64_t dataBytes() const { return m_dataBytes; }
    PcmFormat format() const { return m_format; }

private:
    Decoder& m_decoder;
    OutputFile& m_out;
    PcmFormat m_format;
    std::uint64_t m_dataBytes = 0;
    std::array<std::int16_t, kMaxPlaybackSamples> m_samples{};
    std::array<std::uint8_t, 2 * kMaxPlaybackSamples> m_bytes{};
};

// A WAV file written over calls that each open and close it: whole-file
// decoding's page ranges, and Orvel's pages, between which the player may
// delete the file when the user cancels.
//
// createWavFile makes the file with a header announcing announcedDataBytes
// of samples; false when it cannot be created or the header does not reach
// it, and then no file is left (one cut inside its header is no WAV file).
bool createWavFile(const char* wavName, PcmFormat format, std::uint64_t announcedDataBytes);

enum class WavAppend {
    Done,
    FileGone,     // the file is missing or lost its header
    WriteFailed,  // the file keeps its whole samples and says so
};
// Reopens the file (never creating it: a file deleted by a cancel must not
// come back as samples without a header), lets write append through a
// converter that continues decoder, and leaves the header's sizes telling
// the samples in the file, after a failed write too.
WavAppend appendToWavFile(const char* wavName, PcmFormat format, Decoder& decoder,
                          const std::function<bool(WavConverter&)>& write);

// After a failed write a WAV file may hold fewer samples than its header
// promises (a header written first announces them all). Cuts the file to
// the whole samples in it and makes the header's sizes tell them;
// overwriting bytes already in a file works on a full disk too. A file too
// short for a header is left alone.
void keepOnlyWholeSamples(const char* wavName, PcmFormat format);

}  // namespace zrc
