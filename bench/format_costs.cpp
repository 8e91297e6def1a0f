// What each shared format costs and keeps of an hour of speech: the
// encoder's own time (the decoded samples through the writer alone, from
// memory to /dev/shm or the folder given) and, for the files `zrc decode`
// made, their size and how well their short-time energy follows the WAV's.
//
//   bench_format_costs DECODED.wav FOLDER   (FOLDER holds out.flac, out.ogg, ...)
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sound_writer.h"

namespace {

std::vector<std::int16_t> samplesOf(const std::string& file, int& rate) {
    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    if (f == nullptr) return {};
    std::vector<std::int16_t> s(static_cast<std::size_t>(info.frames));
    s.resize(static_cast<std::size_t>(sf_read_short(f, s.data(), info.frames)));
    sf_close(f);
    rate = info.samplerate;
    return s;
}

// Log energy in 20 ms windows; the correlation of two such envelopes.
std::vector<double> envelope(const std::vector<std::int16_t>& s, int rate) {
    std::vector<double> e;
    const auto edge = [&](std::size_t k) { return k * static_cast<std::size_t>(rate) / 50; };
    for (std::size_t k = 0; edge(k + 1) <= s.size(); ++k) {
        double sum = 0;
        for (std::size_t i = edge(k); i < edge(k + 1); ++i) sum += double(s[i]) * s[i];
        e.push_back(std::log10(1.0 + sum / static_cast<double>(edge(k + 1) - edge(k))));
    }
    return e;
}
double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < n; ++i) ma += a[i], mb += b[i];
    ma /= static_cast<double>(n);
    mb /= static_cast<double>(n);
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DECODED.wav FOLDER\n", argv[0]);
        return 2;
    }
    int rate = 0;
    const std::vector<std::int16_t> speech = samplesOf(argv[1], rate);
    const std::vector<double> reference = envelope(speech, rate);
    std::printf("%-6s %12s %14s %12s\n", "format", "encoder s", "zrc's bytes", "envelope r");
    for (const zrc::sound::FormatTraits& t : zrc::sound::allFormats()) {
        const std::string made = std::string(argv[2]) + "/out" + std::string(t.extension);
        const std::string scratch = made + ".scratch";
        const int fd = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        zrc::sound::DescriptorSink sink(fd);
        const auto start = std::chrono::steady_clock::now();
        zrc::sound::SoundWriter writer(sink, rate, {t.format, 16, 0, zrc::sound::kDefaultQuality});
        for (std::size_t at = 0; at < speech.size(); at += 348'160) {
            writer.write(std::span(speech).subspan(at, std::min<std::size_t>(348'160, speech.size() - at)));
        }
        const bool ok = writer.finish();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ::close(fd);
        std::filesystem::remove(scratch);
        int madeRate = 0;
        const std::vector<std::int16_t> back = samplesOf(made, madeRate);
        std::error_code ec;
        std::printf("%-6s %12.2f %14ju %12.4f%s\n", std::string(t.name).c_str(), seconds,
                    static_cast<std::uintmax_t>(std::filesystem::file_size(made, ec)),
                    back.empty() ? 0.0 : correlation(reference, envelope(back, madeRate)), ok ? "" : " (failed)");
    }
    return 0;
}
