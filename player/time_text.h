// Times as the player shows them: hours, minutes and seconds, two digits
// each, joined by " : ".
#pragma once

#include <QString>

#include <cstdint>

namespace zrc::player {

// The last intKeta decimal digits of lngNumber, zero-padded ("" when
// intKeta < 1). Digits of a negative number keep their sign.
QString strFormatLong(std::int32_t lngNumber, std::int16_t intKeta);

// Milliseconds as "hh : mm : ss"; seconds are truncated and hours above 99
// keep their last two digits.
QString strFormatTime(std::int32_t ms);

// Playing time in ms of `length` data bytes of a PCM WAV file with rate code
// `rate` (8 or 11) and `bits` per sample (8 or 16); `previous` for any other
// pair, which says nothing about the length.
std::int32_t wavPlayTimeMs(std::int32_t length, int rate, int bits, std::int32_t previous);

}  // namespace zrc::player
