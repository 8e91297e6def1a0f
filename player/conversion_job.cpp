#include "conversion_job.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include "convert_rules.h"
#include "open_rules.h"
#include "sound_format.h"
#include "sound_writer.h"

namespace zrc::player {

namespace {
// play_1pagerd's answers for the two page types.
constexpr std::int16_t kType0Page = 0;
constexpr std::int16_t kType1Page = 5;

constexpr std::int16_t kPcm16Bit = 2;

// The WAV header AdpcmDecHeader writes, and where it tells the sample rate
// and the data size (little-endian).
constexpr std::int64_t kWavHeaderBytes = 44;
constexpr std::size_t kRateField = 24;
constexpr std::size_t kDataSizeField = 40;

std::int64_t dataSizeOfHeader(const std::uint8_t* header) {
    std::uint32_t size = 0;
    for (std::size_t i = 4; i-- > 0;) size = size << 8 | header[kDataSizeField + i];
    return size;
}

int rateOfHeader(const std::uint8_t* header) {
    return static_cast<int>(qFromLittleEndian<quint32>(header + kRateField));
}
}  // namespace

bool ConversionJob::run(ConversionView& view, const QString& zrcFileName, const QString& wavFileName,
                        std::int16_t pcmBit) {
    m_running = true;
    view.started();
    m_convFlag = 1;
    const bool going = convertPages(view, zrcFileName, wavFileName, pcmBit) != Outcome::Ended;
    m_running = false;
    if (going) view.finished();
    return going;
}

bool ConversionJob::exportTo(ConversionView& view, const QString& zrcFileName, const QString& outFileName,
                             sound::SoundFormat format) {
    if (format == sound::SoundFormat::Wav) return run(view, zrcFileName, outFileName, kPcm16Bit);
    m_running = true;
    view.started();
    m_convFlag = 1;
    // Beside the output, so that the space checked is the space used, and
    // hidden, so that nobody takes it for a result.
    const QFileInfo output(outFileName);
    QTemporaryFile samples(output.dir().filePath(QStringLiteral(".%1.XXXXXX.wav").arg(output.fileName())));
    Outcome outcome = Outcome::Stopped;
    bool outputMade = false;
    if (samples.open()) {
        samples.close();
        m_outFileName = samples.fileName();
        m_exportFormat = format;
        outcome = convertPages(view, zrcFileName, m_outFileName, kPcm16Bit);
        if (outcome == Outcome::Written) {
            outputMade = true;
            outcome = encodeWav(view, m_outFileName, outFileName);
        }
        m_exportFormat.reset();
    } else {
        view.refused(14);
    }
    if (outcome != Outcome::Written && outputMade) QFile::remove(outFileName);
    m_running = false;
    if (outcome != Outcome::Ended) view.finished();
    return outcome != Outcome::Ended;
}

ConversionJob::Outcome ConversionJob::convertPages(ConversionView& view, const QString& zrcFileName,
                                                   const QString& wavFileName, std::int16_t pcmBit) {
    const QByteArray zrcName = libraryFileName(zrcFileName);
    const QByteArray wavName = libraryFileName(wavFileName);
    std::array<std::uint8_t, 528> page{};
    std::array<std::uint8_t, 2048> codes{};
    std::array<std::uint8_t, 201> scratch{};

    // A file that cannot be opened, or is no recording, has no pages: its
    // record of 1s or 13s would convert one or thirteen pages of nothing.
    if (m_session.load(zrcFileName) != RecordingSession::Load::Loaded) {
        view.refused(2);
        return Outcome::Stopped;
    }
    m_session.countPageTypes();
    const std::int32_t pageCount = m_session.pageCount();
    // The pages below run on this copy, whatever a handler nested in the
    // event pumps does to the session.
    const RecordingInfo info = m_session.info();

    // A one-page recording has no span to show; the bar then stands at its
    // start instead of turning into a busy indicator.
    m_pageCount = pageCount;
    const std::int32_t steps = m_exportFormat ? 2 * pageCount : pageCount;
    view.setProgressMaximum(std::max(steps - 1, 1));
    if (const auto percent = progressPercent(0, steps)) view.setProgressText(*percent + QStringLiteral(" %"));
    if (!view.pump()) return Outcome::Ended;
    // Cancelled before the file exists: no file is made that Cancel can no
    // longer delete.
    if (m_convFlag == 0) return Outcome::Stopped;

    // Without the decoder's two calls no file would be written, yet the
    // pages would run to 100 %: refused as when it cannot create the file.
    if (!m_orvel.AdpcmDecHeader.bind() || !m_orvel.AdpcmDecx.bind()) {
        view.refused(14);
        return Outcome::Stopped;
    }
    const std::int32_t begun = *m_orvel.AdpcmDecHeader(
        wavName.constData(), pcmBit, info.rate0, info.rate1, info.bits0, info.bits1,
        static_cast<std::int32_t>(info.storedPages0), static_cast<std::int32_t>(info.storedPages1), scratch.data());
    if (begun == -1) {
        view.refused(14);
        return Outcome::Stopped;
    }
    // The result is held to 2,147,483,647 bytes; the header it copied to
    // the scratch buffer tells the whole data size, so a file beyond that
    // is measured as it is.
    std::int64_t needed = kWavHeaderBytes + dataSizeOfHeader(scratch.data());
    if (m_exportFormat) {
        // Both files exist at once until the WAV file goes.
        const int rate = sound::rateFor(*m_exportFormat, rateOfHeader(scratch.data()));
        needed += static_cast<std::int64_t>(
            sound::maxFileBytes(*m_exportFormat, rate, static_cast<std::uint64_t>(needed - kWavHeaderBytes) / 2, 16));
    }
    const std::optional<std::int64_t> available = view.freeSpace(wavFileName);
    if (!available || needed > *available) {
        // The header alone is no WAV file of the recording.
        QFile::remove(wavFileName);
        view.refused(15);
        return Outcome::Stopped;
    }

    m_orvel.AdpcmDecx(wavName.constData(), codes.data(), 0, 0, 0, 0, 1);
    const std::int32_t mode = decodeMode(info.storedPages0, info.storedPages1);

    view.hideAnimation();
    m_phase = 0;
    for (std::int32_t p = 0; p < pageCount; ++p) {
        if (const auto stop = showStep(view, p, steps)) return *stop;

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
            QFile::remove(wavFileName);
            view.refused(2);
            return Outcome::Stopped;
        }
        const std::int32_t appended =
            *m_orvel.AdpcmDecx(wavName.constData(), codes.data(), set1 ? info.rate1 : info.rate0,
                               set1 ? info.bits1 : info.bits0, *count, pcmBit, mode);
        // Orvel ends the conversion at a page it could not write and takes
        // no page after it: the file can only stay short of the recording.
        if (appended < 0) {
            const bool outOfSpace = lacksSpaceToFinish(view, wavFileName, needed);
            QFile::remove(wavFileName);
            view.refused(outOfSpace ? 15 : 2);
            return Outcome::Stopped;
        }
    }
    return Outcome::Written;
}

// The samples go through the encoder in as many steps as there were pages,
// so the display moves on from where the pages left it at the same pace.
ConversionJob::Outcome ConversionJob::encodeWav(ConversionView& view, const QString& wavFileName,
                                                const QString& outFileName) {
    QFile wav(wavFileName);
    std::array<std::uint8_t, kWavHeaderBytes> header{};
    if (!wav.open(QIODevice::ReadOnly) ||
        wav.read(reinterpret_cast<char*>(header.data()), kWavHeaderBytes) != kWavHeaderBytes) {
        view.refused(2);
        return Outcome::Stopped;
    }
    QFile out(outFileName);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        view.refused(14);
        return Outcome::Stopped;
    }
    sound::DescriptorSink sink(out.handle());
    sound::SoundWriter writer(sink, rateOfHeader(header.data()), {*m_exportFormat, 16, 0, sound::kDefaultQuality});
    const std::int64_t samples =
        std::min<std::int64_t>(dataSizeOfHeader(header.data()), wav.size() - kWavHeaderBytes) / 2;
    std::vector<std::int16_t> pcm;
    std::int64_t done = 0;
    for (std::int32_t s = 0; s < m_pageCount && writer.ok(); ++s) {
        if (const auto stop = showStep(view, m_pageCount + s, 2 * m_pageCount)) return *stop;
        const std::int64_t end = samples * (s + 1) / m_pageCount;
        pcm.resize(static_cast<std::size_t>(end - done));
        const qint64 bytes = static_cast<qint64>(pcm.size() * sizeof(std::int16_t));
        // A WAV file that another program cut is no longer the recording.
        if (wav.read(reinterpret_cast<char*>(pcm.data()), bytes) != bytes) {
            view.refused(2);
            return Outcome::Stopped;
        }
        qFromLittleEndian<qint16>(pcm.data(), static_cast<qsizetype>(pcm.size()), pcm.data());
        writer.write(pcm);
        done = end;
    }
    if (!writer.ok() || !writer.finish()) {
        view.refused(sink.error() == ENOSPC ? 15 : 2);
        return Outcome::Stopped;
    }
    return Outcome::Written;
}

std::optional<ConversionJob::Outcome> ConversionJob::showStep(ConversionView& view, std::int32_t step,
                                                              std::int32_t total) {
    if (!isProgressPage(step, total)) return std::nullopt;
    view.setProgress(step);
    if (const auto percent = progressPercent(step, total)) view.setProgressText(*percent + progressSuffix(m_phase));
    m_phase = (m_phase + 1) % 2;
    if (!view.pump()) return Outcome::Ended;
    if (m_convFlag == 0) return Outcome::Stopped;
    return std::nullopt;
}

// Orvel's codes do not tell a full disk from other failures, so the disk is
// asked instead, before the partial file gives its space back. The measure
// is what the file still lacks of the whole, not the bytes of the page that
// failed: those depend on how Orvel brings the page to the file's rate, and
// a disk that held this page but not the rest would stop a later one.
bool ConversionJob::lacksSpaceToFinish(ConversionView& view, const QString& wavFileName,
                                       std::int64_t needed) const {
    const std::int64_t lacking = needed - QFileInfo(wavFileName).size();
    const std::optional<std::int64_t> available = view.freeSpace(wavFileName);
    // A folder that cannot be examined is no sign of a full disk.
    return available && *available < lacking;
}

void ConversionJob::cancel() {
    m_convFlag = 0;
    // Only a running conversion has a partial file; outside one the name
    // is that of a finished file, or of none.
    if (m_running) QFile::remove(m_outFileName);
}

}  // namespace zrc::player
