#include "sound_files.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace zrc::test {

namespace {

struct Memory {
    std::vector<std::uint8_t> bytes;
    sf_count_t at = 0;
};
Memory& of(void* user) { return *static_cast<Memory*>(user); }

SF_VIRTUAL_IO kInMemory = {
    [](void* u) { return static_cast<sf_count_t>(of(u).bytes.size()); },
    [](sf_count_t offset, int whence, void* u) {
        Memory& m = of(u);
        m.at = offset + (whence == SEEK_CUR ? m.at : whence == SEEK_END ? static_cast<sf_count_t>(m.bytes.size()) : 0);
        return m.at;
    },
    [](void* out, sf_count_t count, void* u) {
        Memory& m = of(u);
        const sf_count_t n = std::clamp<sf_count_t>(static_cast<sf_count_t>(m.bytes.size()) - m.at, 0, count);
        std::memcpy(out, m.bytes.data() + m.at, static_cast<std::size_t>(n));
        m.at += n;
        return n;
    },
    [](const void* in, sf_count_t count, void* u) {
        Memory& m = of(u);
        m.bytes.resize(std::max(m.bytes.size(), static_cast<std::size_t>(m.at + count)));
        std::memcpy(m.bytes.data() + m.at, in, static_cast<std::size_t>(count));
        m.at += count;
        return count;
    },
    [](void* u) { return of(u).at; }};

}  // namespace

std::vector<std::uint8_t> soundFile(int format, int rate, int channels, const std::vector<std::int16_t>& frames) {
    Memory m;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open_virtual(&kInMemory, SFM_WRITE, &info, &m);
    if (f == nullptr) return {};
    const auto n = static_cast<sf_count_t>(frames.size()) / channels;
    const bool written = sf_writef_short(f, frames.data(), n) == n;
    return sf_close(f) == 0 && written ? m.bytes : std::vector<std::uint8_t>{};
}

}  // namespace zrc::test
