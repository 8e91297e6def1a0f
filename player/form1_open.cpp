// File > Open: makes a recording current, or measures a WAV file.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSlider>

#include <new>

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

    const QByteArray name = libraryFileName(m_state.FileName);
    const std::optional<RecordingInfo> info = m_pageCodec.play_splpget(name.constData());
    const RecordingStatus status = recordingStatus(info);
    // A file that cannot be opened, or is no recording, is refused like a
    // recording of no pages, but its failure record never becomes the
    // current recording: its 1s and 13s would read as pages to play.
    if (status != RecordingStatus::Recording) {
        const QString& prompt = status == RecordingStatus::CannotOpen ? m_state.OpenErrorText : Msg(3);
        m_dialogs.msgBox(this, prompt, MsgBoxStyle::CancelTryAgainContinue, QStringLiteral("FileOpenError"));
        ComControl(kIdleButtonState);
        return;
    }

    m_state.RecInfo = *info;
    m_state.PageCount = static_cast<std::int32_t>(info->pageCount);
    if (m_state.PageCount == 0) {
        m_dialogs.msgBox(this, m_state.OpenErrorText, MsgBoxStyle::CancelTryAgainContinue,
                         QStringLiteral("FileOpenError"));
        ComControl(kIdleButtonState);
        return;
    }

    // The table holds every page of the recording, however many.
    std::vector<std::uint8_t> table;
    try {
        table.assign(static_cast<std::size_t>(m_state.PageCount), 0);
    } catch (const std::bad_alloc&) {
        m_dialogs.msgBox(this, m_state.OpenErrorText, MsgBoxStyle::CancelTryAgainContinue,
                         QStringLiteral("FileOpenError"));
        ComControl(kIdleButtonState);
        return;
    }
    m_pageCodec.pb_splptblmk(name.constData(), table.data(), static_cast<std::uint32_t>(m_state.PageCount));
    m_state.PageTypeTable = std::move(table);

    c.PlaySlider->setMaximum(m_state.PageCount - 1);

    if (const auto total = m_pageCodec.get_time(m_state.PageTypeTable.data(),
                                                static_cast<std::uint32_t>(m_state.PageCount - 1),
                                                m_state.RecInfo.pageMs0, m_state.RecInfo.pageMs1)) {
        m_state.TimeMs = *total;
    }
    m_state.TotalTimeStr = strFormatTime(m_state.TimeMs);

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
        m_state.TotalTimeStr = strFormatTime(m_state.TimeMs);
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
