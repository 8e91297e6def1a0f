// The player's page road, through PageCodec loaded privately: a page read,
// unpacked with the parameter set its flag selects, and decoded for
// playback; and the conversion the player drives through Orvel (in a test
// that links Orvel, ZRC_TEST_WITH_ORVEL).
#pragma once

#include <array>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "loaded_pagecodec.h"
#ifdef ZRC_TEST_WITH_ORVEL
#include "orvel.h"
#endif

namespace zrc::test {

struct PageCodes {
    bool set1;
    std::int16_t count;
};

// One page's codes as the player and zrc play take them.
inline PageCodes pageCodes(const std::string& zrc, const RecordingInfo& info, std::uint32_t page,
                           std::uint8_t* codes) {
    const LoadedPageCodec& pc = loadedPageCodec();
    std::array<std::uint8_t, 528> bytes{};
    const bool set1 = pc.play_1pagerd(zrc.c_str(), static_cast<std::int32_t>(page), bytes.data()) == 5;
    auto i16 = [](int v) { return static_cast<std::int16_t>(v); };
    return {set1, pc.pb_exdata(i16(set1 ? info.bits1 : info.bits0), i16(set1 ? info.payloadBytes1 : info.payloadBytes0),
                               i16(set1 ? info.payloadBits1 : info.payloadBits0), bytes.data(), codes)};
}

using PlaybackDecode = decltype(&::pb_adpcm_dec);

// The pages in the order given, from a reset, through a playback decoder
// (PageCodec's unless another is given): the samples heard.
inline std::vector<std::int16_t> playbackBlocks(const std::string& zrc, const std::vector<std::uint32_t>& order,
                                                PlaybackDecode decode = nullptr) {
    if (decode == nullptr) decode = loadedPageCodec().pb_adpcm_dec;
    const RecordingInfo info = loadedPageCodec().play_splpget(zrc.c_str());
    decode(info.rate0, info.bits0, 0, nullptr, nullptr, 1);
    std::vector<std::int16_t> out;
    for (std::uint32_t p : order) {
        std::array<std::uint8_t, 2048> codes{};
        const auto [set1, n] = pageCodes(zrc, info, p, codes.data());
        void* block = nullptr;
        const std::int32_t samples =
            decode(set1 ? info.rate1 : info.rate0, set1 ? info.bits1 : info.bits0, n, codes.data(), &block, 0);
        if (block != nullptr) out.insert(out.end(), static_cast<std::int16_t*>(block), static_cast<std::int16_t*>(block) + samples);
        std::free(block);
    }
    return out;
}

inline std::vector<std::uint32_t> allPages(const std::string& zrc) {
    std::vector<std::uint32_t> all(loadedPageCodec().play_splpget(zrc.c_str()).pageCount);
    for (std::uint32_t p = 0; p < all.size(); ++p) all[p] = p;
    return all;
}

#ifdef ZRC_TEST_WITH_ORVEL
struct Conversion {
    std::int32_t predicted = 0;         // AdpcmDecHeader's result
    std::vector<std::uint8_t> scratch;  // what it left in the player's buffer
    std::vector<std::int32_t> results;  // AdpcmDecx's per page
};

// The player's Save As: inspect, count page types, header, the opening
// call, then every page read, unpacked and appended. afterPage runs between
// the calls; returning false ends the loop, as a cancel does.
inline Conversion orvelConversion(const std::string& zrc, const std::string& wav, int pcmBit,
                                  const std::function<bool(std::uint32_t)>& afterPage = {}) {
    const LoadedPageCodec& pc = loadedPageCodec();
    const RecordingInfo info = pc.play_splpget(zrc.c_str());
    std::vector<std::uint8_t> types(info.pageCount);
    pc.pb_splptblmk(zrc.c_str(), types.data(), info.pageCount);
    std::uint32_t counted[2] = {};
    pc.splp_pageno(types.data(), counted, info.pageCount);
    Conversion c;
    c.scratch.assign(201, 0);
    c.predicted = AdpcmDecHeader(wav.c_str(), pcmBit, info.rate0, info.rate1, info.bits0, info.bits1,
                                 static_cast<std::int32_t>(counted[0]), static_cast<std::int32_t>(counted[1]),
                                 c.scratch.data());
    if (c.predicted < 0) return c;
    AdpcmDecx(wav.c_str(), nullptr, 0, 0, 0, pcmBit, 1);
    const std::int32_t mode = counted[0] > 0 && counted[1] > 0 ? 2 : 0;
    for (std::uint32_t p = 0; p < info.pageCount; ++p) {
        std::array<std::uint8_t, 2048> codes{};
        const auto [set1, n] = pageCodes(zrc, info, p, codes.data());
        c.results.push_back(AdpcmDecx(wav.c_str(), codes.data(), set1 ? info.rate1 : info.rate0,
                                      set1 ? info.bits1 : info.bits0, n, pcmBit, mode));
        if (afterPage && !afterPage(p)) break;
    }
    return c;
}
#endif

}  // namespace zrc::test
