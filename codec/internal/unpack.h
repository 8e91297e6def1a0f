// Unpacking a page's packed codes into one code per byte.
#pragma once

#include <cstdint>

namespace zrc {

// Unpacks (8 * bytes + extraBits) / width codes, packed least-significant
// bit first, and returns their number. Refuses (returns 0, writes nothing)
// a width other than 2, 3 or 4, a negative count, more than 8 extra bits or
// more than 4,096 payload bits, so it never reads past byte 513 of the page
// nor writes more than 2,048 codes.
int unpackCodes(int width, int bytes, int extraBits, const std::uint8_t* page, std::uint8_t* codes);

// The count unpackCodes returns for these arguments, without unpacking.
int unpackedCodeCount(int width, int bytes, int extraBits);

}  // namespace zrc
