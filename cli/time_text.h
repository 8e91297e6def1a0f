// Playing time as the player shows it.
#pragma once

#include <cstdint>
#include <string>

namespace zrc::cli {

// "hh : mm : ss", each part two digits; hours beyond 99 keep their last two.
std::string formatPlayingTime(std::int64_t ms);

}  // namespace zrc::cli
