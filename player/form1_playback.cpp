// The real-time playback engine: one run plays the current recording from a
// page, forward (play, cue) or backward page by page (review), decoding
// three pages at a time while earlier ones play.
#include <QFile>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>
#include <optional>

#include "block_slots.h"
#include "form1.h"
#include "open_rules.h"
#include "playback_rules.h"

namespace zrc::player {

namespace {
constexpr std::int32_t kBlockPages = 3;
constexpr std::int32_t kHeaderLength = 10000;
// WavNowPlay: the sound is over, or nothing plays.
constexpr std::int32_t kOutputOver = -2;
// WavNowPlay: the position is the next page to be queued.
constexpr std::int32_t kAtNextPage = -3;
}  // namespace

// One call of DecodePlayX. Every member function that ends the run takes
// one of its exits itself; the program's end (Exit, or the window closed
// during a pump) ends it on the spot, the wave output already shut by Exit.
class PlaybackRun {
public:
    PlaybackRun(Form1& form, const QString& fileName, std::int32_t& startPage, std::int16_t playMode)
        : m_form(form),
          m_state(form.m_state),
          m_controls(form.m_controls),
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
    bool pump() { return m_form.pumpEvents(); }
    bool poll() { return m_form.pollEvents(); }
    std::int32_t nowPlaying() { return m_form.m_corvid.WavNowPlay().value_or(kOutputOver); }
    bool mustStop() { return m_state.PlayFlag == 0 || nowPlaying() == kOutputOver; }
    void markMode();
    void refuse(const QString& prompt);
    void showPosition();
    Going queueBlock();
    Going decodePage(std::int32_t page);
    void endOfRecordingWait();
    void startOfRecordingWait();

    void stop();
    void finishForward();
    void finishReview();

    Form1& m_form;
    PlayerState& m_state;
    Form1Controls& m_controls;
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

std::int16_t Form1::DecodePlayX(const QString& strFileName, std::int32_t& start_page, std::int16_t play_mode) {
    PlaybackRun(*this, strFileName, start_page, play_mode).play();
    return 0;
}

void PlaybackRun::play() {
    if (start() == Going::Ended) return;
    for (;;) {
        if (!poll()) return;
        if (mustStop()) return stop();
        if (nowPlaying() == kAtNextPage) m_position = m_lastQueued;
        showPosition();
        // A new block when at most one queued page is left unheard. In
        // review the last page queued lies below the position, so every
        // pass queues one.
        if (m_lastQueued - m_position < 2 && queueBlock() == Going::Ended) return;
        const std::int32_t played = nowPlaying();
        m_position = m_review ? m_startPage - played : m_startPage + played;
        if (mustStop()) return stop();
    }
}

PlaybackRun::Going PlaybackRun::start() {
    Form1& f = m_form;
    if (m_fileName.isEmpty()) {
        f.m_dialogs.msgBox(&f, f.Msg(12), MsgBoxStyle::CancelTryAgainContinue, f.Msg(4));
        return Going::Ended;
    }
    f.m_corvid.WavStop();
    if (!pump()) return Going::Ended;
    f.m_corvid.WavDestroy();
    if (!pump()) return Going::Ended;
    f.m_corvid.WavCreate();
    if (!pump()) return Going::Ended;

    m_state.PlayFlag = 0;
    m_startPage = m_controls.PlaySlider->value();
    m_startPageOut = m_startPage;
    markMode();

    const std::optional<RecordingInfo> info = f.m_pageCodec.play_splpget(m_name.constData());
    // The failure records (every field 1 or 13) are no recording: read as
    // one, they would play 1 or 13 pages of whatever the file holds.
    switch (recordingStatus(info)) {
    case RecordingStatus::Recording:
        break;
    case RecordingStatus::CannotOpen:
        refuse(m_state.OpenErrorText);
        return Going::Ended;
    case RecordingStatus::NotRecording:
        refuse(f.Msg(3));
        return Going::Ended;
    }
    if (info->pageCount == 0) {
        m_state.RecInfo = *info;
        m_state.PageCount = 0;
        refuse(m_state.OpenErrorText);
        return Going::Ended;
    }
    const auto pageCount = static_cast<std::int32_t>(info->pageCount);
    // A cell for every page of this recording, however long.
    try {
        m_slots.emplace(static_cast<std::size_t>(pageCount) + 1);
        m_state.PageTypeTable.resize(static_cast<std::size_t>(pageCount));
    } catch (const std::bad_alloc&) {
        refuse(m_state.OpenErrorText);
        return Going::Ended;
    }
    m_state.RecInfo = *info;
    m_state.PageCount = pageCount;

    m_controls.PlaySlider->setMaximum(pageCount - 1);
    f.m_pageCodec.pb_splptblmk(m_name.constData(), m_state.PageTypeTable.data(), info->pageCount);
    // The slider may stand past the end of a recording that has shrunk since
    // it was opened; the run starts where the slider now shows, so that a
    // forward run meets its end page.
    m_startPage = std::clamp(m_startPage, 0, pageCount - 1);
    m_startPageOut = m_startPage;

    f.m_orvel.SoundSet11k16bit(m_slots->slot(0), headerSelector(m_playMode), m_header.data());
    m_slots->handTo(f.m_corvid, 0, kHeaderLength);

    if (m_review) {
        if (m_startPage == 0) {
            f.m_corvid.WavStop();
            f.m_corvid.WavDestroy();
            f.Wait(0.1f);
            if (f.ended()) return Going::Ended;
            m_controls.PlayX->setEnabled(true);
            m_controls.CueX->setEnabled(true);
            m_controls.RevX->setEnabled(true);
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
        pageParameters(m_state.RecInfo, m_state.PageTypeTable[static_cast<std::size_t>(m_startPage)] == 1 ? 1 : 0);
    void* none = nullptr;
    f.m_orvel.pb_adpcm_dec(first.rate, first.width, 0, m_codes.data(), &none, 1);
    std::free(none);

    m_state.PlayFlag = 1;
    m_position = m_startPage;
    m_lastQueued = 0;
    return Going::On;
}

void PlaybackRun::markMode() {
    Form1Controls& c = m_controls;
    c.PlayX->setEnabled(m_playMode != 0);
    c.CueX->setEnabled(m_playMode <= 0);
    c.RevX->setEnabled(m_playMode >= 0);
}

void PlaybackRun::refuse(const QString& prompt) {
    m_form.m_dialogs.msgBox(&m_form, prompt, MsgBoxStyle::CancelTryAgainContinue, QStringLiteral("FileOpenError"));
    m_form.ComControl(kIdleButtonState);
}

void PlaybackRun::showPosition() {
    m_controls.PlaySlider->setValue(m_position);
    m_form.TimeDisplay(m_position);
}

PlaybackRun::Going PlaybackRun::queueBlock() {
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

PlaybackRun::Going PlaybackRun::decodePage(std::int32_t page) {
    Form1& f = m_form;
    if (!QFile::exists(m_fileName)) {
        m_state.PlayFlag = 0;
        f.m_corvid.WavStop();
        f.m_corvid.WavDestroy();
        if (!pump()) return Going::Ended;
        f.m_dialogs.msgBox(&f, f.Msg(2), MsgBoxStyle::YesNo, f.Msg(4));
        f.ComControl(kIdleButtonState);
        return Going::Ended;
    }
    const std::optional<std::int16_t> read = f.m_pageCodec.play_1pagerd(m_name.constData(), page, m_page.data());
    m_set = parameterSetOf(read, m_set);
    const PageParameters p = pageParameters(m_state.RecInfo, *m_set);
    const std::int16_t codes =
        f.m_pageCodec.pb_exdata(p.width, p.payloadBytes, p.payloadBits, m_page.data(), m_codes.data()).value_or(0);

    const auto cell = static_cast<std::size_t>(page) + 1;
    m_slots->discard(cell);
    const std::int32_t samples =
        f.m_orvel.pb_adpcm_dec(p.rate, p.width, codes, m_codes.data(), m_slots->slot(cell), 0).value_or(0);
    m_slots->handTo(f.m_corvid, cell, sampleBytes(samples));
    return Going::On;
}

void PlaybackRun::endOfRecordingWait() {
    for (;;) {
        const std::int32_t played = nowPlaying();
        const std::int32_t position = m_startPage + played;
        if (!poll()) return;
        if (m_state.PlayFlag == 0) return stop();
        // The sound may run out between two polls without the count ever
        // showing the end page; the wait must not outlast the sound.
        if (played == kOutputOver || position == m_endPage) return finishForward();
        if (played >= 0) m_controls.PlaySlider->setValue(position);
    }
}

void PlaybackRun::startOfRecordingWait() {
    for (;;) {
        const std::int32_t played = nowPlaying();
        std::int32_t position = m_startPage - played;
        if (!poll()) return;
        if (m_state.PlayFlag == 0) return stop();
        if (played == kOutputOver || position == 0) return finishReview();
        if (played >= 0) {
            m_controls.PlaySlider->setValue(position);
            m_form.TimeDisplay(position);
        }
    }
}

void PlaybackRun::stop() {
    m_state.PlayFlag = 0;
    m_form.m_corvid.WavStop();
    m_form.m_corvid.WavDestroy();
    if (!pump()) return;
    m_form.ComControl(kIdleButtonState);
}

void PlaybackRun::finishForward() {
    Form1& f = m_form;
    m_state.PlayFlag = 0;
    m_controls.PlaySlider->setValue(m_endPage);
    std::int32_t page = m_endPage;
    f.TimeDisplay(page);
    // The last page is still playing: let it be heard.
    f.Wait(0.5f);
    if (f.ended()) return;
    f.m_corvid.WavStop();
    f.m_corvid.WavDestroy();
    if (!pump()) return;
    m_controls.PlaySlider->setValue(0);
    page = 0;
    f.TimeDisplay(page);
    f.ComControl(kIdleButtonState);
}

void PlaybackRun::finishReview() {
    Form1& f = m_form;
    m_state.PlayFlag = 0;
    f.m_corvid.WavStop();
    f.m_corvid.WavDestroy();
    if (!pump()) return;
    std::int32_t page = 0;
    f.TimeDisplay(page);
    m_controls.PlaySlider->setValue(0);
    f.ComControl(kIdleButtonState);
}

}  // namespace zrc::player
