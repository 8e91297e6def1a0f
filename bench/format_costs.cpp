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
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sound_writer.h"
#include "speech_envelope.h"

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DECODED.wav FOLDER\n", argv[0]);
        return 2;
    }
    int rate = 0;
    const std::vector<std::int16_t> speech = samplesOf(argv[1], rate);
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
                    back.empty() ? 0.0 : zrc::test::envelopeCorrelation(speech, rate, back, madeRate), ok ? "" : " (failed)");
    }
    return 0;
}
