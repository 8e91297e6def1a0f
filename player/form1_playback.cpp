// DecodePlayX: the playback engine, shown in the window.
#include <QPushButton>
#include <QSlider>

#include "form1.h"

namespace zrc::player {

std::int16_t Form1::DecodePlayX(const QString& strFileName, std::int32_t& start_page, std::int16_t play_mode) {
    m_playback.run(*this, strFileName, start_page, play_mode);
    return 0;
}

bool Form1::wait(float seconds) {
    Wait(seconds);
    return !m_ended;
}

std::int32_t Form1::sliderValue() { return m_controls.PlaySlider->value(); }

void Form1::setSliderMaximum(std::int32_t page) { m_controls.PlaySlider->setMaximum(page); }

void Form1::setSlider(std::int32_t page) { m_controls.PlaySlider->setValue(page); }

void Form1::markMode(std::int16_t playMode, bool all) {
    m_controls.PlayX->setEnabled(all || playMode != 0);
    m_controls.CueX->setEnabled(all || playMode <= 0);
    m_controls.RevX->setEnabled(all || playMode >= 0);
}

const QString& Form1::loadPrompt(RecordingSession::Load load) const {
    const int slot = RecordingSession::promptSlot(load);
    return slot == 2 ? m_state.OpenErrorText : Msg(slot);
}

void Form1::refused(PlaybackRefusal why, RecordingSession::Load load) {
    switch (why) {
    case PlaybackRefusal::NoFileName:
        m_dialogs.msgBox(this, Msg(12), MsgBoxStyle::CancelTryAgainContinue, Msg(4));
        return;
    case PlaybackRefusal::Load:
        m_dialogs.msgBox(this, loadPrompt(load), MsgBoxStyle::CancelTryAgainContinue,
                         QStringLiteral("FileOpenError"));
        return;
    case PlaybackRefusal::FileGone:
        m_dialogs.msgBox(this, Msg(2), MsgBoxStyle::YesNo, Msg(4));
        return;
    }
}

}  // namespace zrc::player
