// Test signals whose every stretch differs from the next: a sample left out, doubled or moved shows.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace zrc::test {

// A sawtooth between -8,000 and 7,999 that repeats only after 16,000 samples.
inline std::vector<std::int16_t> saw(std::size_t n) {
    std::vector<std::int16_t> x(n);
    for (std::size_t k = 0; k < n; ++k) x[k] = static_cast<std::int16_t>(static_cast<int>((k * 797) % 16000) - 8000);
    return x;
}

// A sine of amplitude (full scale 1) at hz, sampled at rate.
inline std::vector<std::int16_t> sine(std::size_t n, double rate, double hz, double amplitude) {
    std::vector<std::int16_t> x(n);
    for (std::size_t k = 0; k < n; ++k) {
        x[k] = static_cast<std::int16_t>(
            std::lrint(amplitude * 32768 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(k) / rate)));
    }
    return x;
}

// Bytes that are never `avoid`, so that their start and end among bytes of that value are plain.
inline std::vector<std::uint8_t> pattern(std::size_t n, unsigned seed = 1, std::uint8_t avoid = 0) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<std::uint8_t>((i * 7 + seed) % 255 + 1);
        v[i] = b == avoid ? static_cast<std::uint8_t>(b + 1) : b;
    }
    return v;
}

// The bytes between the leading and the trailing `silence` bytes.
inline std::vector<std::uint8_t> soundOf(const std::vector<std::uint8_t>& v, std::uint8_t silence = 0) {
    auto quiet = [silence](std::uint8_t b) { return b != silence; };
    const auto first = std::find_if(v.begin(), v.end(), quiet);
    const auto last = std::find_if(v.rbegin(), v.rend(), quiet).base();
    return first < last ? std::vector<std::uint8_t>(first, last) : std::vector<std::uint8_t>{};
}

// SDL's disk driver: the sound into `file`, a pause of delayMs after each device buffer.
inline void playIntoFile(const char* file, int delayMs) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file, 1);
    setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1);
}

}  // namespace zrc::test
