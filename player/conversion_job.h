// One conversion of the current recording into a PCM WAV file, page by page
// through PageCodec and Orvel, or through such a file into another format,
// with a progress display, free-space check and Cancel. It runs inside the
// call that started it and keeps the window alive through the view's pump;
// Cancel runs nested in that pump.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

#include "orvel_api.h"
#include "pagecodec_api.h"
#include "recording_session.h"

namespace zrc::sound {
enum class SoundFormat;  // sound_format.h
}  // namespace zrc::sound

namespace zrc::player {

// What a conversion needs of the window that shows it.
class ConversionView {
public:
    virtual ~ConversionView() = default;
    // Handle pending window events once; false once the program has ended,
    // and the conversion then returns at once.
    virtual bool pump() = 0;
    // The progress display takes the place of the slider, Cancel is usable,
    // and nothing on the menu may start under the running pages.
    virtual void started() = 0;
    virtual void setProgressMaximum(std::int32_t page) = 0;
    virtual void setProgress(std::int32_t page) = 0;
    virtual void setProgressText(const QString& text) = 0;
    virtual void hideAnimation() = 0;
    // Every end but the program's: the slider back, Cancel unusable.
    virtual void finished() = 0;
    // A refusal, by the slot of its prompt in the message table.
    virtual void refused(int promptSlot) = 0;
    // Free bytes for `fileName`; empty when they cannot be measured.
    virtual std::optional<std::int64_t> freeSpace(const QString& fileName) = 0;
};

class ConversionJob {
public:
    ConversionJob(RecordingSession& session, PageCodecApi& pageCodec, OrvelApi& orvel)
        : m_session(session), m_pageCodec(pageCodec), m_orvel(orvel) {}

    // Converts `zrcFileName` into `wavFileName` with 8-bit (pcmBit 1) or
    // 16-bit (2) samples. False once the program has ended during it.
    bool run(ConversionView& view, const QString& zrcFileName, const QString& wavFileName, std::int16_t pcmBit);
    // Exports `zrcFileName` into `outFileName` in `format`: the 16-bit
    // samples of run() go to a hidden WAV file beside the output, which the
    // format's encoder then reads; one progress display spans both steps.
    // The WAV file never stays; the output stays only when complete.
    // False once the program has ended during it.
    bool exportTo(ConversionView& view, const QString& zrcFileName, const QString& outFileName,
                  sound::SoundFormat format);

    // Before the output is asked for: a conversion may start afresh.
    void reset() { m_convFlag = 0; }
    void setOutput(const QString& wavFileName) { m_outFileName = wavFileName; }
    // Ends the running pages at their next progress update, and removes the
    // file they were writing.
    void cancel();
    bool running() const { return m_running; }

private:
    enum class Outcome { Written, Stopped, Ended };  // Stopped: refused or cancelled

    Outcome convertPages(ConversionView& view, const QString& zrcFileName, const QString& wavFileName,
                         std::int16_t pcmBit);
    Outcome encodeWav(ConversionView& view, const QString& wavFileName, const QString& outFileName);
    // Shows step `step` of `total` when it is one the display updates at;
    // Stopped or Ended when the run must end there.
    std::optional<Outcome> showStep(ConversionView& view, std::int32_t step, std::int32_t total);
    bool lacksSpaceToFinish(ConversionView& view, const QString& wavFileName, std::int64_t needed) const;

    RecordingSession& m_session;
    PageCodecApi& m_pageCodec;
    OrvelApi& m_orvel;
    QString m_outFileName = QStringLiteral(" ");  // the WAV file being written
    std::int16_t m_convFlag = 0;                  // nonzero while a conversion may continue
    bool m_running = false;
    int m_phase = 0;  // of the progress text's blinking dot
    // An export's encoding follows the pages: it takes as many progress
    // steps as they do, and the space its output may need is counted in the
    // check before the WAV file is written.
    std::optional<sound::SoundFormat> m_exportFormat;
    std::int32_t m_pageCount = 0;
};

}  // namespace zrc::player
