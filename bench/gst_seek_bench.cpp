// Seeks of zrcdec in a five-hour recording: a paused filesrc ! zrcdec !
// fakesink, a flushing seek to a new place each time, timed until the
// pipeline has prerolled again on the first buffer after it. The recording
// is the first sample's pages over and over, made under TMPDIR.
#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeader = 92;
constexpr std::size_t kPage = 528;
// 123.36 ms pages: five hours.
constexpr std::size_t kPages = 145'900;

fs::path makeFiveHours() {
    std::ifstream in(std::string(ZRC_SAMPLES_DIR) + "/greet-11k16.zrc", std::ios::binary);
    const std::vector<char> sample{std::istreambuf_iterator<char>(in), {}};
    const fs::path path = fs::temp_directory_path() / "zrc-five-hours.zrc";
    std::vector<char> header(sample.begin(), sample.begin() + kHeader);
    const auto dataSize = static_cast<std::uint32_t>(kPages * kPage);
    for (int i = 0; i < 4; ++i) header[88 + static_cast<std::size_t>(i)] = static_cast<char>(dataSize >> (8 * i));
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), kHeader);
    const std::size_t samplePages = (sample.size() - kHeader) / kPage;
    for (std::size_t p = 0; p < kPages; ++p) {
        out.write(sample.data() + kHeader + (p % samplePages) * kPage, kPage);
    }
    return path;
}

void seekInFiveHours(benchmark::State& state) {
    const fs::path file = makeFiveHours();
    GstElement* pipeline = gst_parse_launch(
        ("filesrc location=\"" + file.string() + "\" ! zrcdec ! fakesink sync=false").c_str(), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (gst_element_get_state(pipeline, nullptr, nullptr, 30 * GST_SECOND) != GST_STATE_CHANGE_SUCCESS) {
        state.SkipWithError("the pipeline does not preroll: is the plugin on GST_PLUGIN_PATH?");
    }
    gint64 duration = 0;
    gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration);
    std::uint64_t step = 0;
    for (auto _ : state) {
        // Golden-ratio steps visit the whole recording without a pattern.
        const auto at = static_cast<gint64>(static_cast<double>(duration) * std::fmod(0.618034 * static_cast<double>(++step), 1.0));
        gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), at);
        gst_element_get_state(pipeline, nullptr, nullptr, GST_CLOCK_TIME_NONE);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    fs::remove(file);
}
BENCHMARK(seekInFiveHours)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // The plugin of this build, unless the caller names another.
    g_setenv("GST_PLUGIN_PATH", ZRC_PLUGIN_DIR, FALSE);
    gst_init(&argc, &argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
