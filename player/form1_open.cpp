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
    Form1Controls& c = m_controls;

    m_corvid.WavStop();
    m_corvid.WavDestroy();
    Wait(0.1f);
    if (m_ended) return;

    ComControl(kIdleButtonState);
    c.PlaySlider->setEnabled(true);
    c.PlaySlider->setValue(0);
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

    const RecordingSession::Load load = m_session.load(m_state.FileName);
    if (load != RecordingSession::Load::Loaded) {
        m_dialogs.msgBox(this, loadPrompt(load), MsgBoxStyle::CancelTryAgainContinue,
                         QStringLiteral("FileOpenError"));
        ComControl(kIdleButtonState);
        return;
    }
    c.PlaySlider->setMaximum(m_session.pageCount() - 1);
    m_state.TimeMs = m_session.totalMs().value_or(m_state.TimeMs);
    m_session.setTotalTime(strFormatTime(m_state.TimeMs));
    std::int32_t start = 0;
    TimeDisplay(start);
    c.PlaySlider->setValue(0);
}

void Form1::openOtherFile() {
    Form1Controls& c = m_controls;
    c.M_transwav->menuAction()->setEnabled(false);

    const QByteArray name = libraryFileName(m_state.FileName);
    std::uint8_t info[100] = {};
    // The companion library expects a slot cell that points at a 32-bit
    // cell; it reports through the result and the information buffer only.
    std::int32_t cell = 0;
    void* slot = &cell;
    if (const auto length = m_orvel.WavPlx(name.constData(), 2, 0, &slot, 0, 0, info)) {
        m_state.WavLength = *length;
    }

    if (m_state.WavLength >= 0) {
        m_state.TimeMs = wavPlayTimeMs(m_state.WavLength, info[50], info[51], m_state.TimeMs);
        m_session.setTotalTime(strFormatTime(m_state.TimeMs));
        std::int32_t start = 0;
        TimeDisplay(start);
        c.PlaySlider->setValue(0);
        return;
    }

    if (const auto slotIndex = wavPlxPromptSlot(m_state.WavLength)) {
        m_dialogs.msgBox(this, Msg(*slotIndex), MsgBoxStyle::CancelTryAgainContinue, Msg(4));
    }
    ComControl(kIdleButtonState);
    setWindowTitle(Msg(4));
}

}  // namespace zrc::player
