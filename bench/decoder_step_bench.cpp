// Time of the decoder step per code, at each width, over the ITU normal-level
// code sequences (speech-like statistics, 16,384 codes each).
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoder.h"

namespace {

std::vector<std::uint8_t> loadCodes(int width) {
    const std::string path =
        std::string(ZRC_BENCH_DATA_DIR) + "/g726/dec-w" + std::to_string(width) + "-nrm-a.codes.u8";
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Adds "per_code": seconds per code (printed as e.g. 35.2n).
void reportPerCode(benchmark::State& state, std::size_t codesPerIteration) {
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(codesPerIteration));
    state.counters["per_code"] = benchmark::Counter(static_cast<double>(codesPerIteration),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void decoderStep(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const auto codes = loadCodes(width);
    if (codes.empty()) {
        state.SkipWithError("no code sequence found");
        return;
    }
    zrc::Decoder decoder;
    decoder.reset();
    std::vector<std::int16_t> out(codes.size());
    for (auto _ : state) {
        decoder.decode(codes.data(), codes.size(), width, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportPerCode(state, codes.size());
}

void decoderSingleSteps(benchmark::State& state) {
    // One call of the step per code, as callers that decode code by code do.
    const int width = static_cast<int>(state.range(0));
    const auto codes = loadCodes(width);
    zrc::Decoder decoder;
    decoder.reset();
    for (auto _ : state) {
        for (std::uint8_t c : codes) benchmark::DoNotOptimize(decoder.step(c, false, width));
    }
    reportPerCode(state, codes.size());
}

}  // namespace

BENCHMARK(decoderStep)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(decoderSingleSteps)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK_MAIN();
