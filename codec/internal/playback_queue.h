// How far a playback decodes ahead of the sound, for the player and for
// `zrc play` alike: blocks of three pages, a new block once at most one
// queued page is left unheard, so one to four pages wait at any time. The
// player has always paced its runs so; `zrc play` keeps the same queue, so
// that a recording sounds the same under load from either, and nobody has
// to tune two depths.
#pragma once

#include <cstdint>

namespace zrc::playback {

inline constexpr std::int32_t kBlockPages = 3;
// A block is decoded while fewer pages than this are queued and unheard.
inline constexpr std::int32_t kRefillBelow = 2;

}  // namespace zrc::playback
