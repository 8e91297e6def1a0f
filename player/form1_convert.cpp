// File > Convert to wave: the open recording into an 8-bit or 16-bit WAV
// file, page by page through PageCodec and Orvel, with a progress display
// and Cancel.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <array>
#include <new>

#include "convert_rules.h"
#include "form1.h"
#include "open_rules.h"

namespace zrc::player {

namespace {
constexpr std::int16_t kPcm8Bit = 1;
constexpr std::int16_t kPcm16Bit = 2;

// The slot of the refusal to write over the recording itself.
constexpr int kSelfOutputPrompt = 16;

// play_1pagerd's answers for the two page types.
constexpr std::int16_t kType0Page = 0;
constexpr std::int16_t kType1Page = 5;

// The WAV header AdpcmDecHeader writes, and where it tells the data size
// (little-endian).
constexpr std::int64_t kWavHeaderBytes = 44;
constexpr std::size_t kDataSizeField = 40;

std::int64_t dataSizeOfHeader(const std::uint8_t* header) {
    std::uint32_t size = 0;
    for (std::size_t i = 4; i-- > 0;) size = size << 8 | header[kDataSizeField + i];
    return size;
}
}  // namespace

void Form1::connectConversion() {
    connect(m_controls.Trans_wav8bit, &QAction::triggered, this, &Form1::Trans_wav8bit_Click);
    connect(m_controls.Trans_wav16bit, &QAction::triggered, this, &Form1::Trans_wav16bit_Click);
    connect(m_controls.Cancelx, &QPushButton::clicked, this, &Form1::Cancelx_Click);
}

void Form1::Trans_wav8bit_Click() { saveAsWav(kPcm8Bit); }

void Form1::Trans_wav16bit_Click() { saveAsWav(kPcm16Bit); }

void Form1::saveAsWav(std::int16_t pcm_bit) {
    // The menu items are disabled while a conversion runs; a call that
    // comes another way must not start a second one inside it either.
    if (m_converting) return;
    Form1Controls& c = m_controls;

    m_corvid.WavStop();
    m_corvid.WavDestroy();
    m_state.PlayFlag = 0;
    m_state.ConvFlag = 0;

    ComControl(kIdleButtonState);
    c.PlaySlider->setValue(0);
    Wait(0.1f);
    if (!pumpEvents()) return;

    for (;;) {
        const std::optional<QString> chosen = m_dialogs.saveFile(this, CrExstr(m_state.FileName, QStringLiteral("wav")),
                                                                 QStringLiteral("wav file(*.wav)|*.wav"));
        if (!chosen || m_ended) return;
        // The overwrite question would end in deleting the recording: the
        // recording, under whatever name, is no output.
        if (isSameFile(*chosen, m_state.FileName)) {
            m_dialogs.msgBox(this, Msg(kSelfOutputPrompt), MsgBoxStyle::OkOnly, Msg(4));
            continue;
        }
        m_state.OutFileName = *chosen;
        const QFileInfo existing(*chosen);
        if (existing.exists() && existing.size() >= 1) {
            if (m_dialogs.msgBox(this, Msg(5), MsgBoxStyle::YesNo, Msg(4)) != MsgBoxAnswer::Yes) continue;
            QFile::remove(*chosen);
        }
        break;
    }

    ComControl(kConversionButtonState);
    c.ProgressBar1->show();
    TransZrcWav(m_state.FileName, m_state.OutFileName, pcm_bit);
    if (m_ended) return;
    c.ProgressBar1->hide();
    ComControl(kIdleButtonState);
}

void Form1::TransZrcWav(const QString& zrc_filename, const QString& wav_filename, std::int16_t pcm_bit) {
    Form1Controls& c = m_controls;
    m_converting = true;
    // Nothing started from the menu may change the recording or the output
    // under the running pages.
    c.M_fileopen->setEnabled(false);
    c.Trans_wav8bit->setEnabled(false);
    c.Trans_wav16bit->setEnabled(false);

    c.ProgressBar1->setValue(0);
    c.ProgressBar1->show();
    c.PlaySlider->hide();
    c.Cancelx->setEnabled(true);
    m_state.ConvFlag = 1;

    const bool running = convertPages(zrc_filename, wav_filename, pcm_bit);
    m_converting = false;
    if (!running) return;

    c.ProgressBar1->setValue(0);
    c.ProgressBar1->hide();
    c.PlaySlider->show();
    c.PlayTimeLabel->setText(QStringLiteral(" "));
    c.Cancelx->setEnabled(false);
    c.M_fileopen->setEnabled(true);
    c.Trans_wav8bit->setEnabled(true);
    c.Trans_wav16bit->setEnabled(true);
}

bool Form1::convertPages(const QString& zrc_filename, const QString& wav_filename, std::int16_t pcm_bit) {
    Form1Controls& c = m_controls;
    const QByteArray zrcName = libraryFileName(zrc_filename);
    const QByteArray wavName = libraryFileName(wav_filename);
    std::array<std::uint8_t, 528> page{};
    std::array<std::uint8_t, 2048> codes{};
    std::array<std::uint8_t, 201> scratch{};

    // A file that cannot be opened, or is no recording, has no pages: its
    // record of 1s or 13s would convert one or thirteen pages of nothing.
    const std::optional<RecordingInfo> found = m_pageCodec.play_splpget(zrcName.constData());
    if (recordingStatus(found) != RecordingStatus::Recording) {
        refuseConversion(2);
        return true;
    }
    m_state.RecInfo = *found;
    m_state.PageCount = static_cast<std::int32_t>(found->pageCount);
    const std::int32_t pageCount = m_state.PageCount;
    if (pageCount == 0) {
        refuseConversion(2);
        return true;
    }

    std::vector<std::uint8_t> table;
    try {
        table.assign(static_cast<std::size_t>(pageCount), 0);
    } catch (const std::bad_alloc&) {
        refuseConversion(2);
        return true;
    }
    m_pageCodec.pb_splptblmk(zrcName.constData(), table.data(), static_cast<std::uint32_t>(pageCount));
    m_state.PageTypeTable = std::move(table);
    std::uint32_t counted[2] = {m_state.RecInfo.storedPages0, m_state.RecInfo.storedPages1};
    if (m_pageCodec.splp_pageno(m_state.PageTypeTable.data(), counted, static_cast<std::uint32_t>(pageCount))) {
        m_state.RecInfo.storedPages0 = counted[0];
        m_state.RecInfo.storedPages1 = counted[1];
    }
    // The pages below run on this copy, whatever a handler nested in the
    // event pumps does to the window's state.
    const RecordingInfo info = m_state.RecInfo;

    // A one-page recording has no span to show; the bar then stands at its
    // start instead of turning into a busy indicator.
    c.ProgressBar1->setMaximum(std::max(pageCount - 1, 1));
    c.ProgressBar1->setValue(0);
    if (const auto percent = progressPercent(0, pageCount)) {
        c.PlayTimeLabel->setText(*percent + QStringLiteral(" %"));
    }
    if (!pumpEvents()) return false;
    // Cancelled before the file exists: no file is made that Cancel can no
    // longer delete.
    if (m_state.ConvFlag == 0) return true;

    // Without the decoder's two calls no file would be written, yet the
    // pages would run to 100 %: refused as when it cannot create the file.
    if (!m_orvel.AdpcmDecHeader.bind() || !m_orvel.AdpcmDecx.bind()) {
        refuseConversion(14);
        return true;
    }
    const std::int32_t begun = *m_orvel.AdpcmDecHeader(
        wavName.constData(), pcm_bit, info.rate0, info.rate1, info.bits0, info.bits1,
        static_cast<std::int32_t>(info.storedPages0), static_cast<std::int32_t>(info.storedPages1), scratch.data());
    if (begun == -1) {
        refuseConversion(14);
        return true;
    }
    // The result is held to 2,147,483,647 bytes; the header it copied to
    // the scratch buffer tells the whole data size, so a file beyond that
    // is measured as it is.
    const std::int64_t needed = kWavHeaderBytes + dataSizeOfHeader(scratch.data());
    const std::optional<std::int64_t> available = m_diskSpaceFree(wav_filename);
    if (!available || needed > *available) {
        // The header alone is no WAV file of the recording.
        QFile::remove(wav_filename);
        refuseConversion(15);
        return true;
    }

    m_orvel.AdpcmDecx(wavName.constData(), codes.data(), 0, 0, 0, 0, 1);
    const std::int32_t mode = decodeMode(info.storedPages0, info.storedPages1);

    for (QLabel* image : c.Image1) image->hide();
    int phase = 0;
    for (std::int32_t p = 0; p < pageCount; ++p) {
        if (isProgressPage(p, pageCount)) {
            c.ProgressBar1->setValue(p);
            if (const auto percent = progressPercent(p, pageCount)) {
                c.PlayTimeLabel->setText(*percent + progressSuffix(phase));
            }
            phase = (phase + 1) % 2;
            if (!pumpEvents()) return false;
            if (m_state.ConvFlag == 0) return true;
        }

        const std::optional<std::int16_t> type = m_pageCodec.play_1pagerd(zrcName.constData(), p, page.data());
        const bool set1 = type == kType1Page;
        std::optional<std::int16_t> count;
        if (type == kType0Page || set1) {
            count = m_pageCodec.pb_exdata(static_cast<std::int16_t>(set1 ? info.bits1 : info.bits0),
                                          static_cast<std::int16_t>(set1 ? info.payloadBytes1 : info.payloadBytes0),
                                          static_cast<std::int16_t>(set1 ? info.payloadBits1 : info.payloadBits0),
                                          page.data(), codes.data());
        }
        // A page that cannot be read would leave a WAV file that looks
        // whole and is not: none is better.
        if (!count) {
            QFile::remove(wav_filename);
            refuseConversion(2);
            return true;
        }
        const std::int32_t appended =
            *m_orvel.AdpcmDecx(wavName.constData(), codes.data(), set1 ? info.rate1 : info.rate0,
                               set1 ? info.bits1 : info.bits0, *count, pcm_bit, mode);
        // Orvel ends the conversion at a page it could not write and takes
        // no page after it: the file can only stay short of the recording.
        if (appended < 0) {
            const bool outOfSpace = lacksSpaceToFinish(wav_filename, needed);
            QFile::remove(wav_filename);
            refuseConversion(outOfSpace ? 15 : 2);
            return true;
        }
    }
    return true;
}

// Orvel's codes do not tell a full disk from other failures, so the disk is
// asked instead, before the partial file gives its space back. The measure
// is what the file still lacks of the whole, not the bytes of the page that
// failed: those depend on how Orvel brings the page to the file's rate, and
// a disk that held this page but not the rest would stop a later one.
bool Form1::lacksSpaceToFinish(const QString& wav_filename, std::int64_t needed) const {
    const std::int64_t lacking = needed - QFileInfo(wav_filename).size();
    const std::optional<std::int64_t> available = m_diskSpaceFree(wav_filename);
    // A folder that cannot be examined is no sign of a full disk.
    return available && *available < lacking;
}

void Form1::refuseConversion(int promptSlot) {
    m_dialogs.msgBox(this, Msg(promptSlot), MsgBoxStyle::CancelTryAgainContinue, Msg(4));
}

void Form1::Cancelx_Click() {
    Form1Controls& c = m_controls;
    m_state.ConvFlag = 0;
    c.ProgressBar1->setValue(0);
    c.ProgressBar1->hide();
    c.PlaySlider->show();
    // Only a running conversion has a partial file; outside one the name
    // is that of a finished file, or of none.
    if (m_converting) QFile::remove(m_state.OutFileName);
}

void Form1::cancelRunningConversion() {
    if (m_converting) Cancelx_Click();
}

}  // namespace zrc::player
