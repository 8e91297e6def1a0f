// The player's message table: every language-dependent text it shows.
#pragma once

#include <QString>

#include <array>

namespace zrc::player {

inline constexpr int kMessageSlots = 21;
using MessageTable = std::array<QString, kMessageSlots>;

// Slots 0 to 17 in the Japanese texts for "J", in English for any other
// letter; slots 18 to 20 stay empty.
MessageTable messageTable(char languageCode);

// The letter the player was built with (CMake option ZRC_LANGUAGE).
char buildLanguageCode();

}  // namespace zrc::player
