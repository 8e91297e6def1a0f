// A recording as zrcdec plays it: which pages it has, the time of each, the
// samples of each, and the decoder state to start at any page. Nothing of
// GStreamer here, so the tests and the fuzzer drive it directly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "decoder.h"
#include "pagecodec.h"
#include "wav_plan.h"
#include "zrc_format.h"

namespace zrc::gst {

// Fills bytes with the whole pages from page first on; false when they
// cannot be had.
using PageReader = std::function<bool(std::uint64_t first, std::span<std::uint8_t> bytes)>;

// The pages a stream plays: those the header's data size announces, but no
// more than the file's whole pages when its length is known. Nothing when
// the header is not a recording's.
std::optional<std::uint64_t> playablePages(std::span<const std::uint8_t> header,
                                           std::optional<std::uint64_t> fileLength);

// A stream starts from the reset state this many pages before the page it
// seeks to, and again twice as far back: when the two states differ, both
// run-ups are doubled until they meet (or reach the first page). On ten
// minutes of speech at each width no page needed more than 9 pages, and
// run-ups of k and 2k pages never met on a wrong state from k = 5 on.
inline constexpr std::uint64_t kRunUpPages = 16;

class RecordingStream {
public:
    // header: the first kHeaderSize bytes of a recording that playablePages
    // accepts; pages: what it returned. pageTypes holds the type of every
    // page when the whole file can be read first (the samples are then
    // those of `zrc decode`); empty, every page counts as firstPageType (a
    // stream read once: its pages are decoded as whole-file decoding does,
    // with one parameter set).
    RecordingStream(std::span<const std::uint8_t, kHeaderSize> header, std::uint64_t pages,
                    std::vector<std::uint8_t> pageTypes, int firstPageType);

    std::uint32_t sampleRate() const { return m_plan.format.sampleRate; }
    std::uint64_t pages() const { return m_pages; }
    std::uint64_t totalSamples() const { return samplesBefore(m_pages); }
    // The first sample of a page (page == pages(): the end).
    std::uint64_t samplesBefore(std::uint64_t page) const;
    // The page that holds the sample; the last page for one past the end.
    std::uint64_t pageAt(std::uint64_t sample) const;
    std::size_t pageSamples(std::uint64_t page) const;

    // Bits of codes per second of the set most pages use.
    std::uint32_t codeBitrate() const;

    // Decodes the next page, continuing the state; writes at most
    // kMaxPlaybackSamples samples to out and returns their number.
    std::size_t decodePage(std::span<const std::uint8_t, kPageSize> page, std::int16_t* out);

    // Puts the decoder into the state it has at the start of page, as a
    // decode from the first page would (see kRunUpPages). Returns the pages
    // of run-up used, or nothing when read failed. A stream read once has
    // only the pages from earliest on: the run-ups stop there, and the
    // longest is taken when even the two longest do not meet.
    std::optional<std::uint64_t> startAt(std::uint64_t page, const PageReader& read, std::uint64_t earliest = 0);

private:
    std::optional<AdpcmState> stateAfterRunUp(std::uint64_t page, std::uint64_t runUp, const PageReader& read);
    int typeOf(std::uint64_t page) const;

    RecordingInfo m_info{};
    std::uint64_t m_pages = 0;
    std::vector<std::uint8_t> m_types;
    int m_uniformType = 0;
    WavPlan m_plan;
    std::array<std::size_t, 2> m_samplesPerPage{};
    Decoder m_decoder;
};

}  // namespace zrc::gst
