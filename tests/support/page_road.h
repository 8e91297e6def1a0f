// The player's page road through PageCodec loaded privately: a page read,
// unpacked and decoded for playback.
#pragma once

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "loaded_pagecodec.h"

namespace zrc::test {

// One page's codes as the player and zrc play take them, and the set its flag selects.
struct PageCodes {
    bool set1;
    std::int16_t count;
};
inline PageCodes pageCodes(const std::string& zrc, const RecordingInfo& info, std::uint32_t page,
                           std::uint8_t* codes) {
    const LoadedPageCodec& pc = loadedPageCodec();
    std::array<std::uint8_t, 528> bytes{};
    const bool set1 = pc.play_1pagerd(zrc.c_str(), static_cast<std::int32_t>(page), bytes.data()) == 5;
    auto i16 = [](int v) { return static_cast<std::int16_t>(v); };
    return {set1, pc.pb_exdata(i16(set1 ? info.bits1 : info.bits0), i16(set1 ? info.payloadBytes1 : info.payloadBytes0),
                               i16(set1 ? info.payloadBits1 : info.payloadBits0), bytes.data(), codes)};
}

// The samples heard of the pages in the order given, from a reset.
inline std::vector<std::int16_t> playbackBlocks(const std::string& zrc, const std::vector<std::uint32_t>& order) {
    const LoadedPageCodec& pc = loadedPageCodec();
    const RecordingInfo info = pc.play_splpget(zrc.c_str());
    pc.pb_adpcm_dec(info.rate0, info.bits0, 0, nullptr, nullptr, 1);
    std::vector<std::int16_t> out;
    for (std::uint32_t p : order) {
        std::array<std::uint8_t, 2048> codes{};
        const auto [set1, n] = pageCodes(zrc, info, p, codes.data());
        void* block = nullptr;
        const std::int32_t samples =
            pc.pb_adpcm_dec(set1 ? info.rate1 : info.rate0, set1 ? info.bits1 : info.bits0, n, codes.data(), &block, 0);
        if (block != nullptr)
            out.insert(out.end(), static_cast<std::int16_t*>(block), static_cast<std::int16_t*>(block) + samples);
        std::free(block);
    }
    return out;
}

inline std::vector<std::uint32_t> allPages(const std::string& zrc) {
    std::vector<std::uint32_t> all(loadedPageCodec().play_splpget(zrc.c_str()).pageCount);
    for (std::uint32_t p = 0; p < all.size(); ++p) all[p] = p;
    return all;
}

}  // namespace zrc::test
