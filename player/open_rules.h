// The decisions of opening a file, apart from the window.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

#include "orvel_api.h"
#include "pagecodec.h"

namespace zrc::player {

// File > Open treats a name as a recording only when it ends in lower-case
// "zrc"; any other name is measured as a WAV file.
bool isRecordingNameForMenu(const QString& fileName);

// The command line starts a recording when it ends in "zrc" or "ZRC".
bool isRecordingNameForCommandLine(const QString& commandLine);

enum class RecordingStatus {
    Recording,     // a recording (possibly of no pages)
    CannotOpen,    // the all-1 record, or the inspection could not be called
    NotRecording,  // the all-13 record, or a page count beyond what the player can hold
};

// What play_splpget's record says. A real recording has rate code 7, 8 or
// 11 in rate0; the failure records fill every field with 1 or 13.
RecordingStatus recordingStatus(const std::optional<RecordingInfo>& info);

// The message slot whose prompt reports WavPlx's negative result; empty for
// a code that is reported by no box.
std::optional<int> wavPlxPromptSlot(std::int32_t result);

// A path as the libraries take it: 8-bit, in the system's encoding.
QByteArray libraryFileName(const QString& fileName);

// What Orvel measures of a file that is no recording: the length of its
// samples or a negative refusal, with its rate and width. The length is
// `previous` when Orvel cannot be called.
struct WavMeasure {
    std::int32_t length;
    int rate;
    int bits;
};
WavMeasure measureWav(OrvelApi& orvel, const QString& fileName, std::int32_t previous);

}  // namespace zrc::player
