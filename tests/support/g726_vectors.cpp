#include "g726_vectors.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "test_files.h"

namespace zrc::test {

namespace {
std::vector<std::int16_t> readS16(const std::string& name) {
    const auto bytes = readFile(dataPath(name));
    std::vector<std::int16_t> out(bytes.size() / 2);
    for (std::size_t k = 0; k < out.size(); ++k) {
        out[k] = static_cast<std::int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
    }
    return out;
}
}  // namespace

DecoderVector loadDecoderVector(int width, const std::string& sequence) {
    const std::string name = "g726/dec-w" + std::to_string(width) + "-" + sequence;
    DecoderVector v;
    v.codes = readFile(dataPath(name + ".codes.u8"));
    v.steps = readS16(name + ".out.s16le");
    if (v.codes.size() != v.steps.size() || v.codes.empty()) throw std::runtime_error("bad vector " + name);
    return v;
}

EncoderVector loadEncoderVector(int width, const std::string& sequence) {
    const std::string name = "g726/enc-w" + std::to_string(width) + "-" + sequence;
    EncoderVector v;
    v.samples = readS16(name + ".x.s16le");
    v.codes = readFile(dataPath(name + ".codes.u8"));
    if (v.codes.size() != v.samples.size() || v.codes.empty()) throw std::runtime_error("bad vector " + name);
    return v;
}

std::int16_t doubledClipped(std::int16_t step) {
    return static_cast<std::int16_t>(std::clamp(2 * static_cast<int>(step), -32768, 32767));
}

double roundTripSnrDb(const std::vector<std::int16_t>& in, const std::vector<std::int16_t>& out) {
    double signal = 0;
    double noise = 0;
    for (std::size_t k = 0; k < in.size(); ++k) {
        const double expected = std::clamp(1.8 * in[k], -32768.0, 32767.0);
        signal += expected * expected;
        noise += (out.at(k) - expected) * (out.at(k) - expected);
    }
    return 10 * std::log10(signal / noise);
}

}  // namespace zrc::test
