#include "open_rules.h"

#include <QFile>

#include <limits>

namespace zrc::player {

bool isRecordingNameForMenu(const QString& fileName) { return fileName.right(3) == QLatin1String("zrc"); }

bool isRecordingNameForCommandLine(const QString& commandLine) {
    const QString tail = commandLine.right(3);
    return tail == QLatin1String("zrc") || tail == QLatin1String("ZRC");
}

RecordingStatus recordingStatus(const std::optional<RecordingInfo>& info) {
    if (!info) return RecordingStatus::CannotOpen;
    switch (info->rate0) {
    case 7:
    case 8:
    case 11:
        break;
    case 1:
        return RecordingStatus::CannotOpen;
    default:
        return RecordingStatus::NotRecording;
    }
    // The page count comes from the file's length and page size field; one
    // that does not fit the player's 32-bit page numbers is no recording it
    // can play.
    if (info->pageCount > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        return RecordingStatus::NotRecording;
    }
    return RecordingStatus::Recording;
}

std::optional<int> wavPlxPromptSlot(std::int32_t result) {
    switch (result) {
    case -1:
        return 2;
    case -10:
    case -30:
        return 3;
    case -20:
        return 6;
    default:
        return std::nullopt;
    }
}

QByteArray libraryFileName(const QString& fileName) { return QFile::encodeName(fileName); }

WavMeasure measureWav(OrvelApi& orvel, const QString& fileName, std::int32_t previous) {
    const QByteArray name = libraryFileName(fileName);
    std::uint8_t info[100] = {};
    // Orvel expects a slot cell that points at a 32-bit cell; it reports
    // through the result and the information buffer only.
    std::int32_t cell = 0;
    void* slot = &cell;
    const std::int32_t length = orvel.WavPlx(name.constData(), 2, 0, &slot, 0, 0, info).value_or(previous);
    return {length, info[50], info[51]};
}

}  // namespace zrc::player
