#include "recording_player.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <span>
#include <thread>
#include <vector>

#include "playback_queue.h"
#include "corvid.h"
#include "orvel.h"
#include "page_access.h"
#include "recording_summary.h"
#include "time_text.h"
#include "unpack.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace {

// The player's queue: a block of pages once at most one is left unheard.
// A poll every few milliseconds refills it long before a page (123 ms or
// more) has played, so the sound has no gap at either depth; one depth for
// both keeps the two sounding alike under load.
constexpr auto kPollInterval = std::chrono::milliseconds(5);

// What the player passes for the header block's length.
constexpr std::int32_t kHeaderLength = 10000;

struct PageSet {
    int rate, width, payloadBytes, payloadBits;
};

PageSet setOf(const RecordingInfo& info, int type) {
    if (type == 0) return {info.rate0, info.bits0, info.payloadBytes0, info.payloadBits0};
    return {info.rate1, info.bits1, info.payloadBytes1, info.payloadBits1};
}

// Playing time through page `through` (inclusive) and of the whole
// recording, counted in runs of page flags: no table of a page count's size.
std::array<std::int64_t, 2> measure(InputFile& in, const RecordingInfo& info, std::uint32_t through) {
    std::array<std::int64_t, 2> ms{};  // through, total
    std::vector<std::uint8_t> run(1 << 14);
    for (std::uint64_t first = 0; first < info.pageCount; first += run.size()) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(run.size(), info.pageCount - first));
        readPageTypes(in, first, std::span(run.data(), n));
        for (std::size_t i = 0; i < n; ++i) {
            const std::int64_t d = run[i] == 0 ? info.pageMs0 : info.pageMs1;
            if (first + i <= through) ms[0] += d;
            ms[1] += d;
        }
    }
    return ms;
}

}  // namespace

std::string positionText(const PlayPosition& p) {
    return "[" + formatPlayingTime(p.elapsedMs) + " / " + formatPlayingTime(p.totalMs) + "]  page " +
           std::to_string(p.page) + "/" + std::to_string(p.lastPage);
}

RecordingPlayer::RecordingPlayer(const std::filesystem::path& file) : m_in(file.c_str()) {
    if (!m_in.isOpen()) {
        m_error = cannotOpenReason(file);
        return;
    }
    m_info = inspectRecording(m_in);
    if (m_info.rate0 == kNotARecording) {
        m_info = {};
        m_error = "not a ZRC recording";
    } else if (m_info.pageCount == 0) {
        m_error = "no pages to play";
    }
}

PlayResult RecordingPlayer::play(std::uint32_t from, PlayMode mode, const std::function<bool()>& stopRequested,
                                 const std::function<void(const PlayPosition&)>& show) {
    const bool forward = mode != PlayMode::Review;
    const std::uint32_t lastPage = m_info.pageCount - 1;
    const std::uint32_t pages = forward ? m_info.pageCount - from : from + 1;
    const auto times = measure(m_in, m_info, from);
    const std::int64_t throughFrom = times[0];
    const std::int64_t totalMs = times[1];

    WavStop();
    WavDestroy();
    WavCreate();
    void* slot = nullptr;
    std::array<std::uint8_t, 100> headerCopy{};
    // Cue and review announce twice the rate the blocks are made at.
    SoundSet11k16bit(&slot, mode == PlayMode::Play ? 11 : 22, headerCopy.data());
    WavAddPlayData(&slot, kHeaderLength);
    // What is heard must not depend on what this process decoded before.
    pb_adpcm_dec(m_info.rate0, m_info.bits0, 0, nullptr, nullptr, 1);

    // Corvid counts blocks; a page that gives no samples has no block, so
    // each queued block remembers its page and that page's time.
    struct Block {
        std::uint32_t page;
        std::int64_t elapsedMs;
    };
    std::deque<Block> unheard;
    std::uint64_t blocksQueued = 0;
    std::uint64_t blocksHeard = 0;
    std::uint32_t pagesRead = 0;
    std::int64_t lastElapsed = 0;  // through the page read last
    std::int32_t lastMs = 0;       // that page's own time
    std::array<std::uint8_t, kPageSize> pageBytes{};
    std::array<std::uint8_t, kMaxCodesPerPage> codes{};

    bool cut = false;
    auto queueNextPage = [&] {
        const std::uint32_t p = forward ? from + pagesRead : from - pagesRead;
        const int type = readPage(m_in, p, pageBytes);
        // Bytes cut off meanwhile read as 0xFF: noise, never to be queued.
        if (m_in.shortRead()) {
            cut = true;
            return;
        }
        // The time through a page needs its own type going forward, and the
        // type of the page after it going backward.
        const std::int64_t elapsed =
            pagesRead == 0 ? throughFrom : (forward ? lastElapsed + pageMs(type) : lastElapsed - lastMs);
        lastElapsed = elapsed;
        lastMs = pageMs(type);
        ++pagesRead;

        const PageSet s = setOf(m_info, type);
        const int n = unpackCodes(s.width, s.payloadBytes, s.payloadBits, pageBytes.data(), codes.data());
        void* block = nullptr;
        const std::int32_t samples = pb_adpcm_dec(s.rate, s.width, n, codes.data(), &block, 0);
        if (samples <= 0) return;
        WavAddPlayData(&block, 2 * samples);
        unheard.push_back({p, p == 0 ? 0 : elapsed});
        ++blocksQueued;
    };

    PlayResult result;
    result.page = from;
    bool started = false;  // the output has reported a count at least once
    std::uint32_t shownPage = 0;
    bool shown = false;
    auto showPage = [&](std::uint32_t p, std::int64_t elapsedMs) {
        result.page = p;
        if (shown && p == shownPage) return;
        shown = true;
        shownPage = p;
        if (show) show({p, lastPage, elapsedMs, totalMs});
    };

    for (;;) {
        if (stopRequested && stopRequested()) {
            result.end = PlayEnd::Stopped;
            break;
        }
        // In review the player's position runs below the page queued last,
        // so it queues a block at every pass; so does this.
        if (!forward || blocksQueued - blocksHeard < static_cast<std::uint64_t>(playback::kRefillBelow)) {
            for (int i = 0; i < playback::kBlockPages && !cut && pagesRead < pages; ++i) queueNextPage();
        }
        if (cut) {
            result.end = PlayEnd::RecordingCut;
            break;
        }

        const std::int32_t heard = WavNowPlay();
        if (heard == -2) {
            // Heard to the end only if the output ever played and nothing
            // was left to queue; an output without a device ends at once.
            result.end = started && pagesRead == pages ? PlayEnd::Finished : PlayEnd::OutputEnded;
            break;
        }
        if (heard >= 0) {
            started = true;
            while (blocksHeard < static_cast<std::uint64_t>(heard) && !unheard.empty()) {
                unheard.pop_front();
                ++blocksHeard;
            }
        }
        if (!unheard.empty()) showPage(unheard.front().page, unheard.front().elapsedMs);
        std::this_thread::sleep_for(kPollInterval);
    }
    WavStop();
    WavDestroy();
    // The last page has been heard: the display ends on it, as the player's does.
    if (result.end == PlayEnd::Finished) showPage(forward ? lastPage : 0u, forward ? totalMs : 0);
    return result;
}

}  // namespace zrc::cli
