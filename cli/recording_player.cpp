#include "recording_player.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <span>
#include <thread>
#include <vector>

#include "corvid.h"
#include "orvel.h"
#include "page_access.h"
#include "recording_summary.h"
#include "time_text.h"
#include "unpack.h"
#include "zrc_format.h"

namespace zrc::cli {

namespace {

// The player refills its queue with a block of three pages once at most one
// page is left unheard (player/playback_queue.h), paced by its event
// pump. A terminal program on a busy machine can lose the processor for a
// while, and one page is a sixteenth of a second at review speed: a queue
// that runs dry puts a gap into the sound. So this one tops up to four
// unheard pages at every poll, the player's deepest, all the time: a
// quarter of a second of sound or more at double speed.
constexpr std::uint64_t kPagesAhead = 4;
constexpr auto kPollInterval = std::chrono::milliseconds(5);

// What the player passes for the header block's length.
constexpr std::int32_t kHeaderLength = 10000;

// Playing time through page `through` (inclusive) and of the whole
// recording, counted in runs of page flags: no table of a page count's size.
std::array<std::int64_t, 2> measure(InputFile& in, const RecordingInfo& info, std::uint32_t through) {
    const std::uint64_t first = std::min<std::uint64_t>(std::uint64_t{through} + 1, info.pageCount);
    const auto before = countPageTypes(in, 0, first);
    const auto after = countPageTypes(in, first, info.pageCount - first);
    const auto ms = [&](const std::array<std::uint64_t, 2>& n) {
        return static_cast<std::int64_t>(n[0]) * info.pageMs0 + static_cast<std::int64_t>(n[1]) * info.pageMs1;
    };
    return {ms(before), ms(before) + ms(after)};
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

        const ParameterSet s = setOf(m_info, type);
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
        while (!cut && pagesRead < pages && blocksQueued - blocksHeard < kPagesAhead) queueNextPage();
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
