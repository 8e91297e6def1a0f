// How far a playback run decodes ahead of the sound: blocks of three pages,
// a new block once at most one queued page is left unheard, so one to four
// pages wait at any time. `zrc play` keeps a deeper queue of its own (see
// cli/recording_player.cpp): it has no event pump to pace it and must ride
// out a busy machine.
#pragma once

#include <cstdint>

namespace zrc::playback {

inline constexpr std::int32_t kBlockPages = 3;
// A block is decoded while fewer pages than this are queued and unheard.
inline constexpr std::int32_t kRefillBelow = 2;

}  // namespace zrc::playback
