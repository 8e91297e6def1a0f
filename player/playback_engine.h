// One playback run at a time: the current recording from a page, forward
// (play, cue) or backward page by page (review), three pages decoded while
// earlier ones play. A run stays inside the call that started it and keeps
// its window alive through the view's pumps; Stop, the slider and the menus
// run nested in those pumps and reach the run only through requestStop()
// and the wave output.
#pragma once

#include <QString>

#include <cstdint>

#include "corvid_api.h"
#include "orvel_api.h"
#include "pagecodec_api.h"
#include "recording_session.h"

namespace zrc::player {

enum class PlaybackRefusal {
    NoFileName,  // the name is empty
    Load,        // the recording would not load; see the session's result
    FileGone,    // the recording went away while it played
};

// What a run needs of the window that shows it.
class PlaybackView {
public:
    virtual ~PlaybackView() = default;
    // Handle pending window events once; false once the program has ended,
    // and the run then returns at once.
    virtual bool pump() = 0;
    // As pump(), but may sleep a few milliseconds when nothing is pending.
    virtual bool poll() = 0;
    // Waits `seconds`, pumping; false once the program has ended.
    virtual bool wait(float seconds) = 0;

    virtual std::int32_t sliderValue() = 0;
    virtual void setSliderMaximum(std::int32_t page) = 0;
    virtual void setSlider(std::int32_t page) = 0;
    // The time display at `page`; a negative page shows, and becomes, 0.
    virtual void showTime(std::int32_t& page) = 0;
    // Of the three mode buttons, only the one of `playMode` is disabled;
    // with 0 for `playMode` and `all`, all three are enabled.
    virtual void markMode(std::int16_t playMode, bool all) = 0;
    // The transport is idle again.
    virtual void idle() = 0;
    virtual void refused(PlaybackRefusal why, RecordingSession::Load load) = 0;
};

class PlaybackEngine {
public:
    PlaybackEngine(RecordingSession& session, PageCodecApi& pageCodec, CorvidApi& corvid, OrvelApi& orvel)
        : m_session(session), m_pageCodec(pageCodec), m_corvid(corvid), m_orvel(orvel) {}

    // Plays `fileName` from the slider's page, which it writes into
    // `startPage`, in `playMode` (0 play, positive cue, negative review), and
    // returns when the run ends. A run started from inside another's pump
    // ends that one too.
    void run(PlaybackView& view, const QString& fileName, std::int32_t& startPage, std::int16_t playMode);

    // The running run, if any, takes its stop exit when it next looks.
    void requestStop() { m_playFlag = 0; }
    bool playing() const { return m_playFlag != 0; }

private:
    class Run;  // one call of run()
    RecordingSession& m_session;
    PageCodecApi& m_pageCodec;
    CorvidApi& m_corvid;
    OrvelApi& m_orvel;
    std::int16_t m_playFlag = 0;  // 1 while a run may continue
};

}  // namespace zrc::player
