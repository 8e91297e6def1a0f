// A serial coder over the pages of one file, run in parts on several threads.
//
// The G.726 coder is a recurrence: every sample needs the state the one
// before left. But the state forgets where it came from: two coders that
// start apart and are fed the same pages reach the same state, bit for bit,
// within a few thousand samples (the adaptation leaks, and the scale factor
// follows the codes). So a part can start from the reset state a few pages
// before its first page, and once the part before it ends, one comparison
// of the two states says whether the part's output is exact: the state
// decides everything that follows. When the states differ the part before
// simply goes on through the part, as one thread would have; the result is
// the same bytes either way, and never slower than one thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

#include "adpcm_state.h"
#include "output_file.h"

namespace zrc::cli {

struct PartsOptions {
    unsigned threads = 1;
    // A part starts from the reset state this many pages before its first
    // page. States met within 8,192 samples (six pages) at every width on an
    // hour of speech; the rest is margin.
    std::uint64_t warmUpPages = 16;
    // Files with fewer pages per part are coded in one piece.
    std::uint64_t minPagesPerPart = 256;
};

// How a file was split: parts coded at once, and those whose start could
// not be proven exact and were coded again after the part before.
struct PartsReport {
    unsigned parts = 1;
    unsigned redone = 0;
};

// What a part's thread shares with the others.
struct PartContext {
    std::atomic<bool> stop{false};          // leave at the next run of pages
    std::atomic<std::uint64_t> counted{0};  // pages coded and written
};

// Codes pages first to last (inclusive) continuing `state`, writing the
// output when `write` is set, and leaves the state after the last page done
// in `state`. Between runs of pages it adds the pages written to
// part.counted, calls tick() and returns early (true) once part.stop is
// set. False when writing failed. Called on several threads at once.
using RunPages = std::function<bool(AdpcmState& state, std::uint64_t first, std::uint64_t last, bool write,
                                    PartContext& part, const std::function<void()>& tick)>;

// Where the parts' pages land: every run of pages is written at its own
// place in one file, whichever thread coded it, and counted for its part.
class PlacedPages {
public:
    PlacedPages(OutputFile& out, std::uint64_t firstPageAt, std::size_t bytesPerPage)
        : m_out(out), m_firstPageAt(firstPageAt), m_bytesPerPage(bytesPerPage) {}
    // The bytes of pages firstPage onward; false when the write failed.
    bool write(std::uint64_t firstPage, std::span<const std::uint8_t> bytes, PartContext& part);

private:
    OutputFile& m_out;
    std::uint64_t m_firstPageAt;
    std::size_t m_bytesPerPage;
    std::mutex m_mutex;
};

struct PartsOutcome {
    bool ok = true;           // every write succeeded
    bool interrupted = false;  // progress asked to stop
    PartsReport report;
};

// Codes pages 0 to pages - 1 from the reset state. progress gets the pages
// done since its last call, on the calling thread only; returning false
// stops the work.
PartsOutcome codeInParts(std::uint64_t pages, const PartsOptions& options, const RunPages& run,
                         const std::function<bool(std::uint64_t)>& progress);

}  // namespace zrc::cli
