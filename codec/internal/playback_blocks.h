// The blocks a playback is made of, as calloc blocks handed to a caller
// through a block slot (a pointer-sized cell). Shared by the exports of this
// library and of the companion decoder, which promise the same contract.
#pragma once

#include <cstdint>

#include "decoder.h"

namespace zrc {

// Decodes one page's codes into a new block of 11,025 Hz samples stored in
// *slot and returns their number; 0, allocating nothing and leaving *slot
// alone, for a missing slot, an unsupported rate or width, or no memory.
std::int32_t makePlaybackBlock(Decoder& decoder, std::int32_t rate, std::int32_t width, std::int32_t count,
                               const std::uint8_t* codes, void** slot);

// The 100-byte header block announcing announcedRate: stored as a new block
// in *slot and copied to buffer (either may be null).
void makeHeaderBlock(std::uint32_t announcedRate, void** slot, std::uint8_t* buffer);

}  // namespace zrc
