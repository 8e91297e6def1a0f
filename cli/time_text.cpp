#include "time_text.h"

#include <cstdio>

namespace zrc::cli {

std::string formatPlayingTime(std::int64_t ms) {
    const std::int64_t totalSeconds = ms / 1000;
    const auto part = [](std::int64_t v) { return static_cast<int>(v % 100); };
    char text[16];
    std::snprintf(text, sizeof text, "%02d : %02d : %02d", part(totalSeconds / 3600), part(totalSeconds / 60 % 60),
                  part(totalSeconds % 60));
    return text;
}

}  // namespace zrc::cli
