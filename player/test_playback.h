// Test playback: a WAV file played through the wave output, in blocks of
// 1,000 file bytes that the companion library makes playable. It touches
// nothing of the current recording or the transport.
#pragma once

#include <QString>

#include "corvid_api.h"
#include "orvel_api.h"

namespace zrc::player {

class TestPlayback {
public:
    // What a test playback needs of the window it runs in.
    struct View {
        virtual ~View() = default;
        // Handle pending window events once (poll: may sleep a few
        // milliseconds first); false once the program has ended.
        virtual bool pump() = 0;
        virtual bool poll() = 0;
        // The file is no 11,025 or 8,000 Hz PCM WAV file.
        virtual void refused() = 0;
    };

    TestPlayback(CorvidApi& corvid, OrvelApi& orvel) : m_corvid(corvid), m_orvel(orvel) {}

    // Plays `fileName` to its end and returns then.
    void play(View& view, const QString& fileName);

private:
    CorvidApi& m_corvid;
    OrvelApi& m_orvel;
};

}  // namespace zrc::player
