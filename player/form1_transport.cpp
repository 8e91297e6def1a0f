// The transport: Play, Cue, Review and Stop, the position slider, and the
// timer that starts the command line's recording and lets the time display
// follow the slider.
#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>

#include "form1.h"
#include "time_text.h"

namespace zrc::player {

namespace {

// Runs PlaySlider_MouseDown for every press of a mouse button on the
// slider. The slider takes the press first: the procedure pumps events,
// and a release handled before its press would leave the slider dragging.
class SliderPress : public QObject {
public:
    SliderPress(QSlider* slider, Form1* form) : QObject(slider), m_form(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress) return false;
        auto* slider = qobject_cast<QSlider*>(watched);
        if (slider == nullptr || !slider->isEnabled()) return false;
        const auto* press = static_cast<QMouseEvent*>(event);
        const Qt::MouseButton button = press->button();
        const Qt::KeyboardModifiers shift = press->modifiers();
        const QPoint at = press->position().toPoint();
        watched->event(event);
        m_form->PlaySlider_MouseDown(button, shift, at.x(), at.y());
        return true;
    }

private:
    Form1* m_form;
};

}  // namespace

void Form1::connectTransport() {
    Form1Controls& c = m_controls;
    connect(c.PlayX, &QPushButton::clicked, this, &Form1::PlayX_Click);
    connect(c.CueX, &QPushButton::clicked, this, &Form1::CueX_Click);
    connect(c.RevX, &QPushButton::clicked, this, &Form1::RevX_Click);
    connect(c.StopX, &QPushButton::clicked, this, &Form1::StopX_Click);
    c.PlaySlider->installEventFilter(new SliderPress(c.PlaySlider, this));
    connect(c.PlaySlider, &QSlider::sliderReleased, this, &Form1::PlaySlider_Click);
    connect(c.Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(c.TestWavPlay, &QPushButton::clicked, this, &Form1::TestWavPlay_Click);
}

void Form1::PlayX_Click() { startPlayback(0); }

void Form1::CueX_Click() { startPlayback(1); }

void Form1::RevX_Click() { startPlayback(-1); }

void Form1::startPlayback(std::int16_t PlayMode) {
    m_controls.Timer1->stop();
    m_corvid.WavStop();
    Wait(0.1f);
    if (m_ended) return;
    m_state.PlayMode = PlayMode;
    DecodePlayX(m_state.FileName, m_state.StartPage, m_state.PlayMode);
}

void Form1::StopX_Click() {
    m_playback.requestStop();
    stopSound();
    ComControl(kIdleButtonState);
    Wait(0.5f);
    if (m_ended) return;
    m_state.StartPage = m_controls.PlaySlider->value();
    m_corvid.WavNowPlay();
}

void Form1::PlaySlider_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    m_playback.requestStop();
    // The run that is playing destroys the output itself when it next looks.
    m_corvid.WavStop();
    ComControl(kIdleButtonState);
    Wait(0.1f);
    if (m_ended) return;
    m_controls.Timer1->start();
    m_state.StartPage = m_controls.PlaySlider->value();
    m_corvid.WavNowPlay();
}

// Nothing reacts to the release: the next Play reads the slider.
void Form1::PlaySlider_Click() {}

void Form1::Timer1_Timer() {
    if (m_state.AutoPlay == -1) {
        openCommandLineRecording();
        if (m_ended) return;
    }
    m_state.StartPage = m_controls.PlaySlider->value();
    // During a conversion the label shows its percentage; a timer left
    // running by a slider press must not write the time over it.
    if (!m_conversion.running()) TimeDisplay(m_state.StartPage);
}

void Form1::openCommandLineRecording() {
    Form1Controls& c = m_controls;
    PlayerState& s = m_state;
    s.AutoPlay = 0;
    c.Timer1->stop();
    c.PlaySlider->setEnabled(true);
    c.M_transwav->menuAction()->setEnabled(true);
    c.M_export->setEnabled(true);

    const QFileInfo file(s.FileName);
    setWindowTitle(file.isFile() ? file.fileName() : QString());

    // A file that does not load is left to the run, which refuses it with
    // the box of File > Open.
    m_session.load(s.FileName);
    // An empty recording still leaves the slider its one position.
    c.PlaySlider->setMaximum(std::max(m_session.pageCount() - 1, 0));
    showTimesFromStart(m_session.totalMs().value_or(0));

    Wait(0.1f);
    if (m_ended) return;
    std::int32_t fromStart = 0;
    DecodePlayX(s.FileName, fromStart, 0);
}

}  // namespace zrc::player
