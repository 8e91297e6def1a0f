// One recording into a file of a shared audio format (FLAC, Ogg, Opus, MP3,
// or WAV at another rate): what `zrc decode --format` does per file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "input_file.h"
#include "output_file.h"
#include "recording_to_wav.h"
#include "sound_writer.h"

namespace zrc::cli {

// Decodes the plan's pages in order and hands their samples, as 8-bit
// samples when settings.bits is 8, to a writer of the format into out (not
// closed here). The same progress, interruption and cut-recording answers as
// writeWav. With threads above 1 the pages are decoded on a thread of their
// own, ahead of the encoder.
std::string writeSound(InputFile& in, OutputFile& out, const DecodePlan& plan, const sound::SoundSettings& settings,
                       const std::function<bool(std::uint64_t pagesDone)>& progress, unsigned threads = 1);

}  // namespace zrc::cli
