// zrcdec on any bytes. The element's chain function takes the input in
// pieces through a harness, as a push source gives it; then the pages as
// pull mode plays them, from a seek to any page. The piece size and the
// seek's page come from the end of the input.
#include <fuzzer/FuzzedDataProvider.h>
#include <gst/check/gstharness.h>

#include <algorithm>
#include <array>
#include <vector>

#include "fuzz_support.h"
#include "recording_stream.h"
#include "zrc_dec.h"

namespace {

constexpr std::size_t kMaxSamplesPerPage = zrc::kMaxPlaybackSamples;

void pushInPieces(const std::vector<std::uint8_t>& file, std::size_t piece) {
    GstHarness* h = gst_harness_new("zrcdec");
    gst_harness_set_src_caps_str(h, "audio/x-zrc");
    for (std::size_t at = 0; at < file.size(); at += piece) {
        const std::size_t n = std::min(piece, file.size() - at);
        if (gst_harness_push(h, gst_buffer_new_memdup(file.data() + at, n)) != GST_FLOW_OK) break;
    }
    gst_harness_push_event(h, gst_event_new_eos());
    GstClockTime last = 0;
    while (GstBuffer* b = gst_harness_try_pull(h)) {
        // Whole 16-bit samples of one page, in time order.
        const gsize size = gst_buffer_get_size(b);
        ZRC_FUZZ_CHECK(size % 2 == 0 && size > 0 && size <= 2 * kMaxSamplesPerPage);
        ZRC_FUZZ_CHECK(GST_BUFFER_PTS(b) >= last);
        last = GST_BUFFER_PTS(b);
        gst_buffer_unref(b);
    }
    gst_harness_teardown(h);
}

void playFrom(const std::vector<std::uint8_t>& file, std::uint64_t seekPage) {
    const auto pages = zrc::gst::playablePages(file, file.size());
    if (!pages) return;
    // Never more pages than the file's whole pages.
    ZRC_FUZZ_CHECK(zrc::kHeaderSize + *pages * zrc::kPageSize <= file.size());
    std::vector<std::uint8_t> types(*pages);
    for (std::uint64_t p = 0; p < *pages; ++p) types[p] = file[zrc::pageFlagOffset(p)] & 1;
    zrc::gst::RecordingStream stream(std::span<const std::uint8_t, zrc::kHeaderSize>(file.data(), zrc::kHeaderSize),
                                     *pages, types, 0);
    const auto read = [&](std::uint64_t first, std::span<std::uint8_t> bytes) {
        ZRC_FUZZ_CHECK(zrc::pageOffset(first) + bytes.size() <= file.size());
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(zrc::pageOffset(first)), bytes.size(), bytes.begin());
        return true;
    };
    const std::uint64_t page = *pages == 0 ? 0 : seekPage % *pages;
    ZRC_FUZZ_CHECK(stream.startAt(page, read).has_value());
    ZRC_FUZZ_CHECK(stream.pageAt(stream.samplesBefore(page)) == page || stream.pageSamples(page) == 0);
    std::array<std::int16_t, kMaxSamplesPerPage> out{};
    std::uint64_t samples = stream.samplesBefore(page);
    for (std::uint64_t p = page; p < *pages; ++p) {
        const std::size_t n = stream.decodePage(
            std::span<const std::uint8_t, zrc::kPageSize>(file.data() + zrc::pageOffset(p), zrc::kPageSize), out.data());
        ZRC_FUZZ_CHECK(n == stream.pageSamples(p));
        samples += n;
    }
    ZRC_FUZZ_CHECK(samples == stream.totalSamples());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    gst_init(argc, argv);
    gst_element_register(nullptr, "zrcdec", GST_RANK_NONE, zrc_dec_get_type());
    // GLib builds its classes once, on first use; that is no leak of a run.
    pushInPieces(std::vector<std::uint8_t>(700, 0), 64);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto piece = in.ConsumeIntegralInRange<std::size_t>(1, 4096);
    const auto seekPage = in.ConsumeIntegral<std::uint32_t>();
    const std::vector<std::uint8_t> file = in.ConsumeRemainingBytes<std::uint8_t>();
    pushInPieces(file, piece);
    playFrom(file, seekPage);
    return 0;
}
