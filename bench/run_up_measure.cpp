// How many pages of run-up from the reset state reach the state that
// decoding from the first page has, page by page, for the recordings named:
// the figures behind zrcdec's run-up before a seek (kRunUpPages).
//
//   bench_run_up rec.zrc...
//
// For each run-up of k pages: the share of pages whose state it reaches
// exactly; the longest run-up any page needed; and how often run-ups of k
// and 2k pages agree with each other on a state that is not the true one
// (the case the seek's double run-up would miss).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "page_access.h"
#include "page_conversion.h"
#include "recording_stream.h"

using namespace zrc;

int main(int argc, char** argv) {
    constexpr int kLongest = 24;
    for (int a = 1; a < argc; ++a) {
        std::ifstream in(argv[a], std::ios::binary);
        const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
        const auto playable = gst::playablePages(file, file.size());
        if (!playable) {
            std::printf("%s: not a recording\n", argv[a]);
            continue;
        }
        const std::uint64_t pages = *playable;
        std::vector<std::uint8_t> types(pages);
        for (std::uint64_t p = 0; p < pages; ++p) types[p] = static_cast<std::uint8_t>(pageTypeOfFlag(file[pageFlagOffset(p)]));
        const RecordingInfo info =
            recordingInfoFromHeader(std::span<const std::uint8_t, kHeaderSize>(file.data(), kHeaderSize), file.size());
        const WavPlan plan = planRecordingWav(2, info, file[header::kMode], countPageTypes(types));
        const auto page = [&](std::uint64_t p) {
            return std::span<const std::uint8_t, kPageSize>(file.data() + pageOffset(p), kPageSize);
        };
        std::vector<std::int16_t> out(kMaxPlaybackSamples);
        std::vector<AdpcmState> truth(pages);
        Decoder whole;
        whole.reset();
        for (std::uint64_t p = 0; p < pages; ++p) {
            truth[p] = whole.state();
            decodePlannedPage(whole, plan, info, page(p), out.data());
        }
        std::vector<std::uint64_t> exact(kLongest + 1), falseMeetings(kLongest + 1);
        std::uint64_t longestNeeded = 0, measured = 0;
        std::vector<AdpcmState> after(kLongest + 1);
        for (std::uint64_t p = kLongest; p < pages; ++p, ++measured) {
            std::uint64_t needed = kLongest + 1;
            for (int k = 1; k <= kLongest; ++k) {
                Decoder run;
                run.reset();
                for (std::uint64_t q = p - static_cast<std::uint64_t>(k); q < p; ++q) decodePlannedPage(run, plan, info, page(q), out.data());
                after[static_cast<std::size_t>(k)] = run.state();
                if (run.state() == truth[p]) {
                    ++exact[static_cast<std::size_t>(k)];
                    needed = std::min<std::uint64_t>(needed, static_cast<std::uint64_t>(k));
                }
            }
            longestNeeded = std::max(longestNeeded, needed);
            for (int k = 1; 2 * k <= kLongest; ++k) {
                const auto& shorter = after[static_cast<std::size_t>(k)];
                if (shorter == after[static_cast<std::size_t>(2 * k)] && !(shorter == truth[p])) ++falseMeetings[static_cast<std::size_t>(k)];
            }
        }
        std::printf("%s: %llu pages, %llu measured\n", argv[a], static_cast<unsigned long long>(pages),
                    static_cast<unsigned long long>(measured));
        if (measured == 0) continue;
        for (int k : {1, 2, 3, 4, 5, 6, 8, 12, 16, 24}) {
            std::printf("  run-up %2d pages: exact at %6.2f %% of pages; k and 2k agree on a wrong state at %llu\n", k,
                        100.0 * static_cast<double>(exact[static_cast<std::size_t>(k)]) / static_cast<double>(measured),
                        static_cast<unsigned long long>(2 * k <= kLongest ? falseMeetings[static_cast<std::size_t>(k)] : 0));
        }
        std::printf("  longest run-up a page needed: %llu%s\n", static_cast<unsigned long long>(longestNeeded),
                    longestNeeded > kLongest ? " (more than measured)" : "");
    }
    return 0;
}
