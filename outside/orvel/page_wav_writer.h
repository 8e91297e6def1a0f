// A converted recording's WAV file, written one page per call. Every call
// opens and closes the file, because the player deletes it between two
// calls when the user cancels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "decoder.h"
#include "wav_format.h"
#include "wav_plan.h"

namespace zrc::orvel {

struct SetParameters {
    int rate = 0;
    int width = 0;
    std::uint32_t pages = 0;
};

// The plan of the header call, from the recording's two parameter sets and
// the number of pages of each type; sizes are predicted for pages of the
// recorder's payload. Nothing for a sample size other than 1 or 2, a set
// with pages but a rate code or width that cannot be decoded, or more
// samples than a WAV file can describe.
std::optional<WavPlan> planConversion(int bytesPerSample, const SetParameters& set0, const SetParameters& set1);

class PageWavWriter {
public:
    enum class Append {
        Done,
        NoConversion,  // no header call made this file, or it failed or ended
        FileGone,      // the file is missing or lost its header
        WriteFailed,
    };

    // Creates the file with a header announcing the plan's samples and
    // resets the decoder; the file's whole predicted size, or nothing when
    // the file cannot be created or written. Any earlier conversion ends.
    std::optional<std::uint64_t> begin(const char* wavName, const WavPlan& plan);

    // Starts decoding again from the reset state.
    void restart() { m_decoder.reset(); }

    // Ends the conversion: later pages are refused.
    void end() { m_conversion.reset(); }

    // Decodes one page with its own rate code and width, continuing the
    // decoder, and appends its samples to the file the header call made;
    // afterwards the header's sizes tell the samples in the file. The file
    // is never created here: once it is gone the conversion is over.
    Append appendPage(const char* wavName, int bytesPerSample, int rate, int width, const std::uint8_t* codes,
                      std::size_t count);

    const Decoder& decoder() const { return m_decoder; }

private:
    struct Conversion {
        std::string wavName;
        WavPlan plan;
    };

    Decoder m_decoder;
    std::optional<Conversion> m_conversion;
};

}  // namespace zrc::orvel
