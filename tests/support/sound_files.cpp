#include "sound_files.h"

#include <sndfile.h>

#include "test_files.h"

namespace zrc::test {

std::vector<std::uint8_t> soundFile(int format, int rate, int channels, const std::vector<std::int16_t>& frames) {
    const TempDir dir;
    const std::string name = dir.file("sound").string();
    SF_INFO info{0, rate, channels, format, 0, 0};
    SNDFILE* f = sf_open(name.c_str(), SFM_WRITE, &info);
    if (f == nullptr) return {};
    const auto n = static_cast<sf_count_t>(frames.size()) / channels;
    const bool written = sf_writef_short(f, frames.data(), n) == n;
    return sf_close(f) == 0 && written ? readFile(name) : std::vector<std::uint8_t>{};
}

}  // namespace zrc::test
