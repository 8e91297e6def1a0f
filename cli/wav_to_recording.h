// One WAV file into a ZRC recording: what `zrc encode` does per file. The
// bytes are those of the library's check, header writer and encoder run
// over the file (or over the converted samples written as a plain WAV file).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "byte_sink.h"
#include "coding_parts.h"
#include "converted_input.h"
#include "input_file.h"
#include "output_file.h"
#include "page_layout.h"
#include "riff_wav.h"
#include "wav_input.h"
#include "zrc_header_writer.h"

namespace zrc::cli {

struct EncodeSettings {
    // None: the recorder's layout for the rate. A width makes the pages of
    // sharedLayout(), whose header describes them, from the input rates it
    // pairs with: 2 from 8,000 Hz, 3 from 11,025 Hz, 4 from either.
    std::optional<int> width;
    bool convert = false;      // bring other WAV files to mono 16-bit at 11,025 Hz (8,000 Hz for width 2)
};

struct EncodePlan {
    // What the check and the header writer see: the file's own fields, or
    // for converted samples those of a canonical 11,025 Hz 16-bit WAV file.
    WavInput input;
    std::optional<ConversionSource> conversion;  // the source, when samples are converted
    PageLayout layout;
    ZrcHeader header{};
    std::uint64_t pages = 0;
    std::string note;                   // what the user should know it did
    std::vector<std::string> warnings;  // where the result may not be what they expect
};

using EncodePlanOrError = std::variant<EncodePlan, std::string>;

// Inspects an opened file and decides how to encode it. Without `convert` a
// file the check refuses gives the reason in words, with a hint when
// converting would take it; so does a data chunk the file holds only part
// of. With `convert` a file that is already what the encoder reads is
// encoded as it is, any other WAV file the chunk walk reads is converted
// from its chunks, and any other file libsndfile reads through libsndfile.
EncodePlanOrError planEncode(InputFile& in, const EncodeSettings& settings);

struct EncodeOutcome {
    std::string error;            // empty on success
    std::uint64_t clippedSamples = 0;  // of converted samples
};

// Samples cut off the WAV file while it was read would be encoded as
// silence in a recording that looks complete.
inline constexpr const char* kWavCut = "the WAV file became shorter while it was read";

// Writes the header and every page of the plan to out, reporting each run
// of pages done to progress; progress returning false stops the work, and
// so does the WAV file becoming shorter (kWavCut).
EncodeOutcome writeRecording(InputFile& in, ByteSink& out, const EncodePlan& plan,
                             const std::function<bool(std::uint64_t pagesDone)>& progress);

// The same into a file, where with parts.threads above 1 a long WAV file is
// encoded in parts at once, each part's start proven exact by the encoder's
// state (see coding_parts.h); the bytes are those of one piece. Pages of
// 2-bit codes and converted samples are encoded in one piece: at 2 bits the
// encoder's state does not settle on speech, and a conversion is a stream.
// The encoder needs longer than the decoder to forget its start.
inline constexpr std::uint64_t kEncoderWarmUpPages = 96;
EncodeOutcome writeRecording(InputFile& in, OutputFile& out, const EncodePlan& plan,
                             const std::function<bool(std::uint64_t pagesDone)>& progress, const PartsOptions& parts,
                             PartsReport* report = nullptr);

}  // namespace zrc::cli
