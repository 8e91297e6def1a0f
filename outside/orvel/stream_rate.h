// The rate a playback stream's header block announces for the player's
// rate selector.
#pragma once

#include <cstdint>

namespace zrc::orvel {

// Every block is decoded at 11,025 Hz. Announcing twice that plays cue and
// review at double speed, as a recorder's fast search sounds; 8 serves the
// test playback of 8,000 Hz WAV files, whose blocks keep their own rate.
// Any other selector gets the rate the blocks are made at, so the sound
// stays at its pitch rather than at a guess.
constexpr std::uint32_t announcedRate(std::int32_t selector) {
    switch (selector) {
        case 22: return 22050;
        case 8: return 8000;
        default: return 11025;
    }
}

}  // namespace zrc::orvel
