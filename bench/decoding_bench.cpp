// Time of playback decoding per page (pb_adpcm_dec, block allocation
// included) and of whole-file decoding of a long recording: AdpcmDec1 in
// one page range, and the held-open streaming path the zrc tool takes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoder.h"
#include "input_file.h"
#include "output_file.h"
#include "page_conversion.h"
#include "pagecodec.h"
#include "wav_converter.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> loadCodes(int width) {
    const std::string path =
        std::string(ZRC_BENCH_DATA_DIR) + "/g726/dec-w" + std::to_string(width) + "-nrm-a.codes.u8";
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void pbAdpcmDecPerPage(benchmark::State& state) {
    const auto rate = static_cast<std::int32_t>(state.range(0));
    const auto width = static_cast<std::int32_t>(state.range(1));
    const auto count = static_cast<std::int32_t>(state.range(2));
    const auto codes = loadCodes(width);
    if (codes.size() < static_cast<std::size_t>(count)) {
        state.SkipWithError("no code sequence found");
        return;
    }
    pb_adpcm_dec(rate, width, 0, nullptr, nullptr, 1);
    std::int64_t samples = 0;
    for (auto _ : state) {
        void* slot = nullptr;
        samples += pb_adpcm_dec(rate, width, count, codes.data(), &slot, 0);
        benchmark::DoNotOptimize(slot);
        std::free(slot);
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}

// pb_exdata unpacking one page of each of the recorder's layouts and the
// widest ones.
void pbExdataPerPage(benchmark::State& state) {
    const auto width = static_cast<std::int16_t>(state.range(0));
    const auto bytes = static_cast<std::int16_t>(state.range(1));
    const auto bits = static_cast<std::int16_t>(state.range(2));
    std::vector<std::uint8_t> page(528);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(i * 37 + 11);
    std::vector<std::uint8_t> codes(2048);
    std::int64_t unpacked = 0;
    for (auto _ : state) {
        unpacked += pb_exdata(width, bytes, bits, page.data(), codes.data());
        benchmark::DoNotOptimize(codes.data());
        benchmark::ClobberMemory();
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["codes/s"] = benchmark::Counter(static_cast<double>(unpacked), benchmark::Counter::kIsRate);
}

// A recording of `pages` type-0 pages (11 kHz, 3-bit) from the ITU codes.
class LongRecording {
public:
    explicit LongRecording(int pages) : m_pages(pages) {
        m_folder = fs::temp_directory_path() / ("zrc-bench-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        const auto codes = loadCodes(3);
        std::vector<std::uint8_t> file(92, 0xFF);
        auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        const std::uint32_t dataSize = static_cast<std::uint32_t>(pages) * 528u;
        std::copy_n("QIFF", 4, file.begin());
        put32(4, dataSize + 84);
        std::copy_n("WAVEfmt ", 8, file.begin() + 8);
        put32(16, 64);
        file[58] = 0x10, file[59] = 0x02, file[60] = 0;
        const std::uint8_t sets[10] = {11, 3, 254, 1, 0, 7, 2, 255, 1, 4};
        std::copy_n(sets, 10, file.begin() + 61);
        std::copy_n("data", 4, file.begin() + 84);
        put32(88, dataSize);
        std::size_t next = 0;
        for (int p = 0; p < pages; ++p) {
            std::vector<std::uint8_t> page(528, 0xFF);
            for (std::size_t g = 0; g < 170; ++g) {  // 8 codes into each 3 bytes
                std::uint32_t bits = 0;
                for (std::uint32_t m = 0; m < 8; ++m, next = (next + 1) % codes.size()) bits |= std::uint32_t{codes[next]} << (3 * m);
                for (std::size_t b = 0; b < 3; ++b) page[3 * g + b] = static_cast<std::uint8_t>(bits >> (8 * b));
            }
            page[512] = 0;
            file.insert(file.end(), page.begin(), page.end());
        }
        std::ofstream(zrc(), std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                     static_cast<std::streamsize>(file.size()));
    }
    ~LongRecording() {
        std::error_code ec;
        fs::remove_all(m_folder, ec);
    }
    std::string zrc() const { return (m_folder / "long.zrc").string(); }
    std::string wav() const { return (m_folder / "long.wav").string(); }
    int pages() const { return m_pages; }

private:
    fs::path m_folder;
    int m_pages;
};

void reportPages(benchmark::State& state, int pages) {
    state.counters["pages/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * pages, benchmark::Counter::kIsRate);
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * pages * 1360.0, benchmark::Counter::kIsRate);
}

void adpcmDec1WholeFile(benchmark::State& state) {
    const LongRecording rec(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const std::int32_t pages = AdpcmDec1(rec.zrc().c_str(), rec.wav().c_str(), 2, 0, 0, nullptr, 0);
        benchmark::DoNotOptimize(AdpcmDec1(nullptr, nullptr, 2, 0, pages - 1, nullptr, 1));
    }
    reportPages(state, rec.pages());
}

void streamedWholeFile(benchmark::State& state) {
    const LongRecording rec(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        zrc::InputFile in(rec.zrc().c_str());
        zrc::OutputFile out = zrc::OutputFile::create(rec.wav().c_str());
        zrc::Decoder decoder;
        decoder.reset();
        zrc::WavConverter wav(decoder, out, {11025, 2});
        wav.begin(0);
        zrc::appendNativePages(in, wav, 0, static_cast<std::uint64_t>(rec.pages() - 1), 11, 3);
        wav.updateSizes();
        benchmark::DoNotOptimize(out.close());
    }
    reportPages(state, rec.pages());
}

}  // namespace

BENCHMARK(pbExdataPerPage)->Args({3, 510, 0})->Args({2, 511, 4})->Args({4, 512, 0})->Args({3, 511, 7});
BENCHMARK(pbAdpcmDecPerPage)->Args({11, 3, 1360})->Args({7, 2, 2046})->Args({8, 2, 2048})->Args({8, 4, 1024});
// 4,000 pages: about eight minutes of 11 kHz speech.
BENCHMARK(adpcmDec1WholeFile)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(streamedWholeFile)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
