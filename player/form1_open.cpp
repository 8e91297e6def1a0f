// File > Open: makes a recording current, or measures a WAV file.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSlider>

#include "form1.h"
#include "open_rules.h"
#include "time_text.h"

namespace zrc::player {

void Form1::M_fileopen_Click() {
    stopSound();
    Wait(0.1f);
    if (m_ended) return;

    ComControl(kIdleButtonState);
    m_controls.PlaySlider->setEnabled(true);
    m_controls.PlaySlider->setValue(0);
    m_state.PlayMode = 0;

    const std::optional<QString> chosen =
        m_dialogs.openFile(this, QStringLiteral("Navo IC recorder file(*.zrc)|*.zrc"), m_dialogFolder);
    if (!chosen || m_ended) return;

    m_state.FileName = *chosen;
    const QFileInfo file(*chosen);
    m_dialogFolder = file.absolutePath();
    setWindowTitle(file.fileName());

    if (isRecordingNameForMenu(m_state.FileName)) {
        openRecording();
    } else {
        openOtherFile();
    }
}

void Form1::openRecording() {
    Form1Controls& c = m_controls;
    c.M_transwav->menuAction()->setEnabled(true);
    c.M_export->setEnabled(true);

    const RecordingSession::Load load = m_session.load(m_state.FileName);
    if (load != RecordingSession::Load::Loaded) {
        m_dialogs.msgBox(this, loadPrompt(load), MsgBoxStyle::CancelTryAgainContinue,
                         QStringLiteral("FileOpenError"));
        ComControl(kIdleButtonState);
        return;
    }
    c.PlaySlider->setMaximum(m_session.pageCount() - 1);
    showTimesFromStart(m_session.totalMs().value_or(m_state.TimeMs));
}

void Form1::openOtherFile() {
    m_controls.M_transwav->menuAction()->setEnabled(false);
    m_controls.M_export->setEnabled(false);
    const WavMeasure wav = measureWav(m_orvel, m_state.FileName, m_state.WavLength);
    m_state.WavLength = wav.length;
    if (wav.length >= 0) {
        showTimesFromStart(wavPlayTimeMs(wav.length, wav.rate, wav.bits, m_state.TimeMs));
        return;
    }

    if (const auto slotIndex = wavPlxPromptSlot(m_state.WavLength)) {
        m_dialogs.msgBox(this, Msg(*slotIndex), MsgBoxStyle::CancelTryAgainContinue, Msg(4));
    }
    ComControl(kIdleButtonState);
    setWindowTitle(Msg(4));
}

}  // namespace zrc::player
