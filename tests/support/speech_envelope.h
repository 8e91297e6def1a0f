// How well a coded file keeps speech: the correlation of two signals'
// short-time energy. Log energies in 20 ms windows follow the syllables and
// ignore what perceptual coders are free to change (phase, masked detail),
// and windows cut by time compare files of different rates. Header-only, so
// the benchmarks measure with it too.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace zrc::test {

inline std::vector<double> speechEnvelope(const std::vector<std::int16_t>& s, int rate) {
    std::vector<double> e;
    const auto edge = [&](std::size_t k) { return k * static_cast<std::size_t>(rate) / 50; };
    for (std::size_t k = 0; edge(k + 1) <= s.size(); ++k) {
        double sum = 0;
        for (std::size_t i = edge(k); i < edge(k + 1); ++i) sum += double(s[i]) * s[i];
        e.push_back(std::log10(1.0 + sum / static_cast<double>(edge(k + 1) - edge(k))));
    }
    return e;
}

// Pearson's r of the two envelopes over the windows both have.
inline double envelopeCorrelation(const std::vector<std::int16_t>& a, int rateA, const std::vector<std::int16_t>& b,
                                  int rateB) {
    const std::vector<double> x = speechEnvelope(a, rateA), y = speechEnvelope(b, rateB);
    const std::size_t n = std::min(x.size(), y.size());
    double mx = 0, my = 0;
    for (std::size_t i = 0; i < n; ++i) mx += x[i], my += y[i];
    mx /= static_cast<double>(n);
    my /= static_cast<double>(n);
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        xy += (x[i] - mx) * (y[i] - my);
        xx += (x[i] - mx) * (x[i] - mx);
        yy += (y[i] - my) * (y[i] - my);
    }
    return xy / std::sqrt(xx * yy);
}

}  // namespace zrc::test
