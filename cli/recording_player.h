// Real-time playback of a recording, as the player does it: page after page
// read, unpacked, decoded into an 11,025 Hz block by Orvel and queued on
// Corvid, a few pages ahead of what is being heard.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "input_file.h"
#include "pagecodec.h"

namespace zrc::cli {

enum class PlayMode {
    Play,
    Cue,     // forward at double speed
    Review,  // backward page by page at double speed, each page forward
};

// The page being heard and the player's time display for it.
struct PlayPosition {
    std::uint32_t page = 0;
    std::uint32_t lastPage = 0;
    std::int64_t elapsedMs = 0;  // the player's: the pages up to and including this one; 0 at page 0
    std::int64_t totalMs = 0;
};

// "[00 : 00 : 03 / 00 : 00 : 07]  page 24/60"
std::string positionText(const PlayPosition& position);

enum class PlayEnd {
    Finished,     // every page was heard
    Stopped,      // the caller asked to stop
    OutputEnded,  // the sound output ended first (no device, or it failed)
    RecordingCut, // the file became shorter while it was played
};

struct PlayResult {
    PlayEnd end = PlayEnd::Finished;
    std::uint32_t page = 0;  // the page heard last
};

class RecordingPlayer {
public:
    explicit RecordingPlayer(const std::filesystem::path& file);

    // Why the file cannot be played ("cannot open: ...", "not a ZRC
    // recording", "no pages to play"); empty when it can.
    const std::string& error() const { return m_error; }
    std::uint32_t pageCount() const { return m_info.pageCount; }

    // Plays from page `from` (below pageCount()) to the last page, or in
    // review down to page 0, from a reset decoder. stopRequested is asked
    // between polls of the output; show gets the position whenever the page
    // heard changes. The output is stopped and destroyed on every end.
    PlayResult play(std::uint32_t from, PlayMode mode, const std::function<bool()>& stopRequested,
                    const std::function<void(const PlayPosition&)>& show);

private:
    std::int32_t pageMs(int type) const { return type == 0 ? m_info.pageMs0 : m_info.pageMs1; }

    InputFile m_in;
    RecordingInfo m_info{};
    std::string m_error;
};

}  // namespace zrc::cli
