#include "g726_vectors.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "test_files.h"

namespace zrc::test {

namespace {
// The codes and the 16-bit values of vector `name`, of one length.
template <typename V>
V load(const std::string& name, const char* values, std::vector<std::int16_t> V::*member) {
    V v;
    v.codes = readFile(dataPath(name + ".codes.u8"));
    const auto bytes = readFile(dataPath(name + values));
    for (std::size_t k = 0; k + 1 < bytes.size(); k += 2)
        (v.*member).push_back(static_cast<std::int16_t>(bytes[k] | (bytes[k + 1] << 8)));
    if (v.codes.size() != (v.*member).size() || v.codes.empty()) throw std::runtime_error("bad vector " + name);
    return v;
}
}  // namespace

DecoderVector loadDecoderVector(int width, const std::string& sequence) {
    return load("g726/dec-w" + std::to_string(width) + "-" + sequence, ".out.s16le", &DecoderVector::steps);
}

EncoderVector loadEncoderVector(int width, const std::string& sequence) {
    return load("g726/enc-w" + std::to_string(width) + "-" + sequence, ".x.s16le", &EncoderVector::samples);
}

std::int16_t doubledClipped(std::int16_t step) { return static_cast<std::int16_t>(std::clamp(2 * step, -32768, 32767)); }

double roundTripSnrDb(const std::vector<std::int16_t>& in, const std::vector<std::int16_t>& out) {
    double signal = 0, noise = 0;
    for (std::size_t k = 0; k < in.size(); ++k) {
        const double expected = std::clamp(1.8 * in[k], -32768.0, 32767.0);
        signal += expected * expected;
        noise += (out.at(k) - expected) * (out.at(k) - expected);
    }
    return 10 * std::log10(signal / noise);
}

}  // namespace zrc::test
