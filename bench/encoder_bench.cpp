// Time of the encoder step per sample at each width, over the ITU normal-
// level input (16,384 samples), and of wav_zrc_encoder making a whole
// recording from a ten-minute WAV file (speech looped), per sample.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "encoder.h"
#include "pagecodec.h"

namespace {

std::vector<std::uint8_t> loadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::int16_t> loadSamples(int width) {
    const auto bytes = loadFile(std::string(ZRC_BENCH_DATA_DIR) + "/g726/enc-w" + std::to_string(width) +
                                "-nrm-a.x.s16le");
    std::vector<std::int16_t> x(bytes.size() / 2);
    for (std::size_t k = 0; k < x.size(); ++k) {
        x[k] = static_cast<std::int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
    }
    return x;
}

// Adds "per_sample": seconds per sample (printed as e.g. 35.2n).
void reportPerSample(benchmark::State& state, std::size_t samplesPerIteration) {
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(samplesPerIteration));
    state.counters["per_sample"] = benchmark::Counter(static_cast<double>(samplesPerIteration),
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}

void encoderStep(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const auto x = loadSamples(width);
    if (x.empty()) {
        state.SkipWithError("no input samples found");
        return;
    }
    zrc::Encoder encoder;
    encoder.reset();
    std::vector<std::uint8_t> codes(x.size());
    for (auto _ : state) {
        encoder.encode(x.data(), x.size(), width, codes.data());
        benchmark::DoNotOptimize(codes.data());
        benchmark::ClobberMemory();
    }
    reportPerSample(state, x.size());
}

// A canonical WAV file of about ten minutes of speech at the rate given.
std::string longWav(const std::string& speech, const std::string& name) {
    const auto src = loadFile(std::string(ZRC_BENCH_DATA_DIR) + "/speech/" + speech);
    if (src.size() <= 44) return {};
    const std::vector<std::uint8_t> header(src.begin(), src.begin() + 44);
    const std::vector<std::uint8_t> body(src.begin() + 44, src.end());
    const std::uint32_t rate = header[24] | (header[25] << 8);
    const std::size_t want = std::size_t{rate} * 2 * 600;
    std::vector<std::uint8_t> out = header;
    while (out.size() - 44 < want) out.insert(out.end(), body.begin(), body.end());
    const auto size = static_cast<std::uint32_t>(out.size() - 44);
    for (int i = 0; i < 4; ++i) {
        out[40 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        out[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((size + 36) >> (8 * i));
    }
    const auto path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                                static_cast<std::streamsize>(out.size()));
    return path;
}

void wavZrcEncoder(benchmark::State& state, const std::string& speech) {
    const std::string wav = longWav(speech, "zrc-bench-" + speech);
    const std::string zrc = wav + ".zrc";
    const std::int32_t size = wav_zrc_check(wav.c_str());
    if (wav.empty() || size < 92) {
        state.SkipWithError("no input WAV file");
        return;
    }
    const auto pages = (static_cast<std::uint32_t>(size) - 92) / 528;
    const std::size_t samples = (std::filesystem::file_size(wav) - 44) / 2;
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(zrc.c_str());
        state.ResumeTiming();
        if (wav_zrc_encoder(wav.c_str(), zrc.c_str(), 0, pages) != 0) state.SkipWithError("encoder failed");
    }
    reportPerSample(state, samples);
    std::remove(zrc.c_str());
    std::remove(wav.c_str());
}

}  // namespace

BENCHMARK(encoderStep)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK_CAPTURE(wavZrcEncoder, speech_11025Hz_16bit, std::string("memo-11k16.wav"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(wavZrcEncoder, speech_8000Hz_16bit, std::string("memo-8k16.wav"))->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
