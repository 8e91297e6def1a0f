// File > Convert to wave: the open recording into an 8-bit or 16-bit WAV
// file, page by page through PageCodec and Orvel, with a progress display
// and Cancel; File > Export: the same into any of the shared formats.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

#include "convert_rules.h"
#include "form1.h"
#include "sound_format.h"

namespace zrc::player {

namespace {
constexpr std::int16_t kPcm8Bit = 1;
constexpr std::int16_t kPcm16Bit = 2;

// The slot of the refusal to write over the recording itself.
constexpr int kSelfOutputPrompt = 16;
}  // namespace

void Form1::connectConversion() {
    connect(m_controls.Trans_wav8bit, &QAction::triggered, this, &Form1::Trans_wav8bit_Click);
    connect(m_controls.Trans_wav16bit, &QAction::triggered, this, &Form1::Trans_wav16bit_Click);
    connect(m_controls.M_export, &QAction::triggered, this, &Form1::M_export_Click);
    connect(m_controls.Cancelx, &QPushButton::clicked, this, &Form1::Cancelx_Click);
}

void Form1::Trans_wav8bit_Click() { saveAsWav(kPcm8Bit); }

void Form1::Trans_wav16bit_Click() { saveAsWav(kPcm16Bit); }

void Form1::saveAsWav(std::int16_t pcm_bit) {
    convertInto(
        [this] {
            return askOutputFile(CrExstr(m_state.FileName, QStringLiteral("wav")),
                                 QStringLiteral("wav file(*.wav)|*.wav"), nullptr,
                                 [](const QString& chosen, int) { return chosen; });
        },
        [&](const QString& output) { TransZrcWav(m_state.FileName, output, pcm_bit); });
}

void Form1::M_export_Click() {
    const auto formats = sound::allFormats();
    sound::SoundFormat format = m_exportFormat.value_or(sound::SoundFormat::Flac);
    convertInto(
        [&]() -> std::optional<QString> {
            const auto offered = std::find_if(formats.begin(), formats.end(),
                                              [&](const sound::FormatTraits& t) { return t.format == format; });
            int filter = static_cast<int>(offered - formats.begin());
            const std::string_view extension = offered->extension.substr(1);
            const auto output = askOutputFile(
                CrExstr(m_state.FileName, QString::fromUtf8(extension.data(), qsizetype(extension.size()))),
                exportFilter(), &filter, [&](const QString& chosen, int chosenFilter) {
                    const int last = static_cast<int>(formats.size()) - 1;
                    const auto target =
                        exportTarget(chosen, formats[std::size_t(std::clamp(chosenFilter, 0, last))].format);
                    format = target.second;
                    return target.first;
                });
            if (output) m_exportFormat = format;
            return output;
        },
        [&](const QString& output) { m_conversion.exportTo(*this, m_state.FileName, output, format); });
}

void Form1::convertInto(const std::function<std::optional<QString>()>& ask,
                        const std::function<void(const QString&)>& convert) {
    // The menu items are disabled while a conversion runs; a call that
    // comes another way must not start a second one inside it either.
    if (m_conversion.running()) return;
    Form1Controls& c = m_controls;

    stopSound();
    m_playback.requestStop();
    m_conversion.reset();

    ComControl(kIdleButtonState);
    c.PlaySlider->setValue(0);
    Wait(0.1f);
    if (!pumpEvents()) return;

    const std::optional<QString> output = ask();
    if (!output) return;
    m_conversion.setOutput(*output);

    ComControl(kConversionButtonState);
    c.ProgressBar1->show();
    convert(*output);
    if (m_ended) return;
    c.ProgressBar1->hide();
    ComControl(kIdleButtonState);
}

std::optional<QString> Form1::askOutputFile(const QString& suggested, const QString& filter, int* filterIndex,
                                            const std::function<QString(const QString&, int)>& target) {
    for (;;) {
        const std::optional<QString> picked = m_dialogs.saveFile(this, suggested, filter, filterIndex);
        if (!picked || m_ended) return std::nullopt;
        const QString chosen = target(*picked, filterIndex != nullptr ? *filterIndex : 0);
        // The overwrite question would end in deleting the recording: the
        // recording, under whatever name, is no output. Picked itself, it is
        // refused too, though an extension would make another name of it:
        // whoever picks it means to write over it.
        if (isSameFile(*picked, m_state.FileName) || isSameFile(chosen, m_state.FileName)) {
            m_dialogs.msgBox(this, Msg(kSelfOutputPrompt), MsgBoxStyle::OkOnly, Msg(4));
            continue;
        }
        const QFileInfo existing(chosen);
        if (existing.exists() && existing.size() >= 1) {
            if (m_dialogs.msgBox(this, Msg(5), MsgBoxStyle::YesNo, Msg(4)) != MsgBoxAnswer::Yes) continue;
            QFile::remove(chosen);
        }
        return chosen;
    }
}

void Form1::TransZrcWav(const QString& zrc_filename, const QString& wav_filename, std::int16_t pcm_bit) {
    m_conversion.run(*this, zrc_filename, wav_filename, pcm_bit);
}

void Form1::started() {
    Form1Controls& c = m_controls;
    c.M_fileopen->setEnabled(false);
    c.Trans_wav8bit->setEnabled(false);
    c.Trans_wav16bit->setEnabled(false);
    c.M_export->setEnabled(false);
    c.ProgressBar1->setValue(0);
    c.ProgressBar1->show();
    c.PlaySlider->hide();
    c.Cancelx->setEnabled(true);
}

void Form1::setProgressMaximum(std::int32_t page) {
    m_controls.ProgressBar1->setMaximum(page);
    m_controls.ProgressBar1->setValue(0);
}

void Form1::setProgress(std::int32_t page) { m_controls.ProgressBar1->setValue(page); }

void Form1::setProgressText(const QString& text) { m_controls.PlayTimeLabel->setText(text); }

void Form1::hideAnimation() {
    for (QLabel* image : m_controls.Image1) image->hide();
}

void Form1::finished() {
    Form1Controls& c = m_controls;
    c.ProgressBar1->setValue(0);
    c.ProgressBar1->hide();
    c.PlaySlider->show();
    c.PlayTimeLabel->setText(QStringLiteral(" "));
    c.Cancelx->setEnabled(false);
    c.M_fileopen->setEnabled(true);
    c.Trans_wav8bit->setEnabled(true);
    c.Trans_wav16bit->setEnabled(true);
    c.M_export->setEnabled(true);
}

void Form1::refused(int promptSlot) {
    m_dialogs.msgBox(this, Msg(promptSlot), MsgBoxStyle::CancelTryAgainContinue, Msg(4));
}

void Form1::Cancelx_Click() {
    Form1Controls& c = m_controls;
    c.ProgressBar1->setValue(0);
    c.ProgressBar1->hide();
    c.PlaySlider->show();
    m_conversion.cancel();
}

void Form1::cancelRunningConversion() {
    if (m_conversion.running()) Cancelx_Click();
}

}  // namespace zrc::player
