// The ITU-derived vectors of tests/data/g726, an oracle independent of our coder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrc::test {

struct DecoderVector { std::vector<std::uint8_t> codes; std::vector<std::int16_t> steps; };    // the step's result per code
struct EncoderVector { std::vector<std::int16_t> samples; std::vector<std::uint8_t> codes; };  // the step's code per sample

// From a reset; width 2, 3 or 4; sequence "nrm-a", "nrm-m", "ovr-a", "ovr-m" or (decoder only) "i".
DecoderVector loadDecoderVector(int width, const std::string& sequence);
EncoderVector loadEncoderVector(int width, const std::string& sequence);

// What every decoding path outputs for a step result: twice it, clipped.
std::int16_t doubledClipped(std::int16_t step);

// The signal-to-noise ratio in dB of out against in over the length of in. The coder codes 0.9 x / 4 and every
// caller doubles 4 times the decoder's reconstruction: speech comes back 1.8 times as loud, clipped to 16 bits.
double roundTripSnrDb(const std::vector<std::int16_t>& in, const std::vector<std::int16_t>& out);

}  // namespace zrc::test
