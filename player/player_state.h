// What the main window keeps between events, beside what its engines keep:
// the recording (RecordingSession), the run's continue flag (PlaybackEngine),
// the output and the cancel flag of a conversion (ConversionJob).
#pragma once

#include <QString>

#include <cstdint>

namespace zrc::player {

struct PlayerState {
    QString FileName = QStringLiteral(" ");  // current recording; one blank until chosen
    std::int16_t PlayMode = 0;               // last start: 0 play, 1 cue, -1 review
    std::int32_t StartPage = 0;              // page the next playback starts from
    std::int32_t TimeMs = 0;                 // scratch milliseconds for the time texts
    QString NowTimeStr;                      // position as time text
    QString OpenErrorText;                   // prompt of the "FileOpenError" box
    std::int32_t WavLength = 0;              // data length of a file that is no recording
    std::int16_t AutoPlay = 0;               // -1: the command line's recording plays by itself
};

// Enabled and visible flags of PlayX, CueX, RevX, StopX and Cancelx, each
// inverted: 0 sets the property, anything else clears it.
struct ComFlags {
    std::uint8_t Ple, Plv, Cue, Cuv, Ree, Rev, Ste, Stv, Cane, Canv;
};

// Transport buttons usable, Cancelx gone.
inline constexpr ComFlags kIdleButtonState{0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
// Transport buttons gone, Cancelx usable.
inline constexpr ComFlags kConversionButtonState{1, 1, 1, 1, 1, 1, 1, 1, 0, 0};

}  // namespace zrc::player
