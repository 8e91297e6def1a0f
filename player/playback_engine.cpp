#include "playback_engine.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>
#include <optional>

#include "block_slots.h"
#include "open_rules.h"
#include "playback_queue.h"
#include "playback_rules.h"

namespace zrc::player {

namespace {
using playback::kBlockPages;
constexpr std::int32_t kHeaderLength = 10000;
// WavNowPlay: the sound is over, or nothing plays.
constexpr std::int32_t kOutputOver = -2;
// WavNowPlay: the position is the next page to be queued.
constexpr std::int32_t kAtNextPage = -3;
}  // namespace

// Every member function that ends the run takes one of its exits itself; the
// program's end (Exit, or the window closed during a pump) ends it on the
// spot, the wave output already shut by Exit.
class PlaybackEngine::Run {
public:
    Run(PlaybackEngine& engine, PlaybackView& view, const QString& fileName, std::int32_t& startPage,
        std::int16_t playMode)
        : m_e(engine),
          m_view(view),
          m_fileName(fileName),
          m_name(libraryFileName(fileName)),
          m_startPageOut(startPage),
          m_playMode(playMode),
          m_review(playMode < 0),
          m_step(playMode < 0 ? -1 : 1) {}

    void play();

private:
    enum class Going { On, Ended };

    Going start();
    std::int32_t nowPlaying() { return m_e.m_corvid.WavNowPlay().value_or(kOutputOver); }
    bool mustStop() { return m_e.m_playFlag == 0 || nowPlaying() == kOutputOver; }
    void showPosition() {
        m_view.setSlider(m_position);
        m_view.showTime(m_position);
    }
    Going queueBlock();
    Going decodePage(std::int32_t page);
    void endOfRecordingWait();
    void startOfRecordingWait();
    void shutOutput() {
        m_e.m_corvid.WavStop();
        m_e.m_corvid.WavDestroy();
    }

    void stop();
    void finishForward();
    void finishReview();

    PlaybackEngine& m_e;
    PlaybackView& m_view;
    const QString m_fileName;  // a copy: an open during the run must not move it
    const QByteArray m_name;
    std::int32_t& m_startPageOut;
    const std::int16_t m_playMode;
    const bool m_review;
    const std::int32_t m_step;

    std::int32_t m_startPage = 0;
    std::int32_t m_endPage = 0;
    std::int32_t m_blockStart = 0;
    std::int32_t m_blockEnd = 0;
    std::int32_t m_lastQueued = 0;
    std::int32_t m_position = 0;
    std::optional<int> m_set;
    std::optional<BlockSlots> m_slots;
    std::array<std::uint8_t, 100> m_header{};
    std::array<std::uint8_t, 528> m_page{};
    std::array<std::uint8_t, 2048> m_codes{};
};

void PlaybackEngine::run(PlaybackView& view, const QString& fileName, std::int32_t& startPage,
                         std::int16_t playMode) {
    Run(*this, view, fileName, startPage, playMode).play();
}

void PlaybackEngine::Run::play() {
    if (start() == Going::Ended) return;
    for (;;) {
        if (!m_view.poll()) return;
        if (mustStop()) return stop();
        if (nowPlaying() == kAtNextPage) m_position = m_lastQueued;
        showPosition();
        // In review the last page queued lies below the position, so every
        // pass queues a block.
        if (m_lastQueued - m_position < playback::kRefillBelow && queueBlock() == Going::Ended) return;
        const std::int32_t played = nowPlaying();
        m_position = m_review ? m_startPage - played : m_startPage + played;
        if (mustStop()) return stop();
    }
}

PlaybackEngine::Run::Going PlaybackEngine::Run::start() {
    CorvidApi& corvid = m_e.m_corvid;
    if (m_fileName.isEmpty()) {
        m_view.refused(PlaybackRefusal::NoFileName, RecordingSession::Load::Loaded);
        return Going::Ended;
    }
    corvid.WavStop();
    if (!m_view.pump()) return Going::Ended;
    corvid.WavDestroy();
    if (!m_view.pump()) return Going::Ended;
    corvid.WavCreate();
    if (!m_view.pump()) return Going::Ended;

    m_e.m_playFlag = 0;
    m_startPage = m_view.sliderValue();
    m_startPageOut = m_startPage;
    m_view.markMode(m_playMode, false);

    RecordingSession& session = m_e.m_session;
    const RecordingSession::Load load = session.load(m_fileName);
    if (load != RecordingSession::Load::Loaded) {
        m_view.refused(PlaybackRefusal::Load, load);
        m_view.idle();
        return Going::Ended;
    }
    const std::int32_t pageCount = session.pageCount();
    // A cell for every page of this recording, however long.
    try {
        m_slots.emplace(static_cast<std::size_t>(pageCount) + 1);
    } catch (const std::bad_alloc&) {
        m_view.refused(PlaybackRefusal::Load, RecordingSession::Load::TooLarge);
        m_view.idle();
        return Going::Ended;
    }
    m_view.setSliderMaximum(pageCount - 1);
    // The slider may stand past the end of a recording that has shrunk since
    // it was opened; the run starts where the slider now shows, so that a
    // forward run meets its end page.
    m_startPage = std::clamp(m_startPage, 0, pageCount - 1);
    m_startPageOut = m_startPage;

    m_e.m_orvel.SoundSet11k16bit(m_slots->slot(0), headerSelector(m_playMode), m_header.data());
    m_slots->handTo(corvid, 0, kHeaderLength);

    if (m_review) {
        if (m_startPage == 0) {
            shutOutput();
            if (!m_view.wait(0.1f)) return Going::Ended;
            m_view.markMode(0, true);
            return Going::Ended;
        }
        m_endPage = 0;
    } else {
        m_endPage = pageCount - 1;
    }
    m_blockStart = m_startPage;
    // Not limited by the end page: the run ends when it queues the end page.
    m_blockEnd = m_blockStart + (kBlockPages - 1) * m_step;

    // Every run decodes from the decoder's reset state, so a page sounds the
    // same whichever run plays it; the state left by the last run, or the
    // all-zero state of a fresh library, would colour its first moments.
    const PageParameters first =
        pageParameters(session.info(), session.pageTypes()[static_cast<std::size_t>(m_startPage)] == 1 ? 1 : 0);
    void* none = nullptr;
    m_e.m_orvel.pb_adpcm_dec(first.rate, first.width, 0, m_codes.data(), &none, 1);
    std::free(none);

    m_e.m_playFlag = 1;
    m_position = m_startPage;
    m_lastQueued = 0;
    return Going::On;
}

PlaybackEngine::Run::Going PlaybackEngine::Run::queueBlock() {
    for (std::int32_t page = m_blockStart;; page += m_step) {
        if (decodePage(page) == Going::Ended) return Going::Ended;
        if (mustStop()) {
            stop();
            return Going::Ended;
        }
        if (!m_review && page == m_endPage) {
            endOfRecordingWait();
            return Going::Ended;
        }
        if (m_review && page == 0) {
            startOfRecordingWait();
            return Going::Ended;
        }
        if (page == m_blockEnd) break;
    }
    m_lastQueued = m_blockEnd + m_step;
    if (m_review) {
        m_blockStart = m_blockEnd - 1;
        m_blockEnd = std::max(m_blockStart - (kBlockPages - 1), 0);
    } else {
        m_blockStart = m_blockEnd + 1;
        m_blockEnd = std::min(m_blockStart + (kBlockPages - 1), m_endPage);
    }
    return Going::On;
}

PlaybackEngine::Run::Going PlaybackEngine::Run::decodePage(std::int32_t page) {
    if (!QFile::exists(m_fileName)) {
        m_e.m_playFlag = 0;
        shutOutput();
        if (!m_view.pump()) return Going::Ended;
        m_view.refused(PlaybackRefusal::FileGone, RecordingSession::Load::Loaded);
        m_view.idle();
        return Going::Ended;
    }
    const std::optional<std::int16_t> read = m_e.m_pageCodec.play_1pagerd(m_name.constData(), page, m_page.data());
    m_set = parameterSetOf(read, m_set);
    const PageParameters p = pageParameters(m_e.m_session.info(), *m_set);
    const std::int16_t codes =
        m_e.m_pageCodec.pb_exdata(p.width, p.payloadBytes, p.payloadBits, m_page.data(), m_codes.data()).value_or(0);

    const auto cell = static_cast<std::size_t>(page) + 1;
    m_slots->discard(cell);
    const std::int32_t samples =
        m_e.m_orvel.pb_adpcm_dec(p.rate, p.width, codes, m_codes.data(), m_slots->slot(cell), 0).value_or(0);
    m_slots->handTo(m_e.m_corvid, cell, sampleBytes(samples));
    return Going::On;
}

void PlaybackEngine::Run::endOfRecordingWait() {
    for (;;) {
        const std::int32_t played = nowPlaying();
        const std::int32_t position = m_startPage + played;
        if (!m_view.poll()) return;
        if (m_e.m_playFlag == 0) return stop();
        // The sound may run out between two polls without the count ever
        // showing the end page; the wait must not outlast the sound.
        if (played == kOutputOver || position == m_endPage) return finishForward();
        if (played >= 0) m_view.setSlider(position);
    }
}

void PlaybackEngine::Run::startOfRecordingWait() {
    for (;;) {
        const std::int32_t played = nowPlaying();
        std::int32_t position = m_startPage - played;
        if (!m_view.poll()) return;
        if (m_e.m_playFlag == 0) return stop();
        if (played == kOutputOver || position == 0) return finishReview();
        if (played >= 0) {
            m_view.setSlider(position);
            m_view.showTime(position);
        }
    }
}

void PlaybackEngine::Run::stop() {
    m_e.m_playFlag = 0;
    shutOutput();
    if (!m_view.pump()) return;
    m_view.idle();
}

void PlaybackEngine::Run::finishForward() {
    m_e.m_playFlag = 0;
    m_view.setSlider(m_endPage);
    std::int32_t page = m_endPage;
    m_view.showTime(page);
    // The last page is still playing: let it be heard.
    if (!m_view.wait(0.5f)) return;
    shutOutput();
    if (!m_view.pump()) return;
    m_view.setSlider(0);
    page = 0;
    m_view.showTime(page);
    m_view.idle();
}

void PlaybackEngine::Run::finishReview() {
    m_e.m_playFlag = 0;
    shutOutput();
    if (!m_view.pump()) return;
    std::int32_t page = 0;
    m_view.showTime(page);
    m_view.setSlider(0);
    m_view.idle();
}

}  // namespace zrc::player
