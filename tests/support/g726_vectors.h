// The ITU-derived decoder vectors of tests/data/g726: codes and the decoder
// step's expected result for each, an oracle independent of our decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrc::test {

struct DecoderVector {
    std::vector<std::uint8_t> codes;
    std::vector<std::int16_t> steps;  // the step's result per code, after a reset
};

// width 2, 3 or 4; sequence "nrm-a", "nrm-m", "ovr-a", "ovr-m" or "i".
DecoderVector loadDecoderVector(int width, const std::string& sequence);

struct EncoderVector {
    std::vector<std::int16_t> samples;
    std::vector<std::uint8_t> codes;  // the encoder step's code per sample, after a reset
};

// width 2, 3 or 4; sequence "nrm-a", "nrm-m", "ovr-a" or "ovr-m".
EncoderVector loadEncoderVector(int width, const std::string& sequence);

// What every decoding path outputs for a step result: twice it, clipped.
std::int16_t doubledClipped(std::int16_t step);

// The encoder codes 0.9 x / 4 and the decoder gives back 4 times its
// reconstruction, which every caller doubles: speech comes back 1.8 times
// as loud, clipped to 16 bits. The signal-to-noise ratio in dB of out
// against that, over the length of in.
double roundTripSnrDb(const std::vector<std::int16_t>& in, const std::vector<std::int16_t>& out);

}  // namespace zrc::test
