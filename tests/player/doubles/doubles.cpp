// The test doubles of Corvid and Orvel, one library under both names, and
// the log they share with the tests. The wave output records every block it
// is handed and plays nothing; the test decides what WavNowPlay reports.
// The decoder answers what the test set in the log.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "call_log.h"
#include "corvid.h"
#include "orvel.h"

namespace zrc::test::doubles {

CallLog& CallLog::instance() {
    static CallLog log;
    return log;
}

void CallLog::reset() {
    m_calls.clear();
    m_results.clear();
    m_info.fill(0);
    m_listener = nullptr;
    m_wave = {};
    m_firstBytes.clear();
    nowPlay = nullptr;
}

void CallLog::record(std::string function, std::vector<std::string> args) {
    m_calls.push_back({std::move(function), std::move(args)});
    if (m_listener) m_listener(Call(m_calls.back()));
}

}  // namespace zrc::test::doubles

using zrc::test::doubles::CallLog;

namespace {
std::vector<void*> g_held;        // data blocks handed over since WavCreate; Corvid owns them
bool g_awaitingHeader = false;    // between WavCreate and the header block

std::int32_t endPlayback(const char* function) {
    CallLog::instance().record(function, {});
    CallLog::instance().wave().playing = g_awaitingHeader = false;
    for (void* block : g_held) std::free(block);
    g_held.clear();
    return CallLog::instance().result(function, 0);
}
}  // namespace

extern "C" {

CORVID_API int32_t CORVID_CALL WavCreate(void) {
    const std::int32_t result = endPlayback("WavCreate");
    auto& wave = CallLog::instance().wave();
    ++wave.generation;
    wave.dataBlocks = 0;
    g_awaitingHeader = true;
    return result;
}

// Like the real library it takes the block and leaves the slot alone.
CORVID_API int32_t CORVID_CALL WavAddPlayData(void** slot, int32_t length) {
    CallLog::instance().record("WavAddPlayData", {std::to_string(length)});
    if (slot == nullptr || *slot == nullptr) return CallLog::instance().result("WavAddPlayData", 0);
    auto& wave = CallLog::instance().wave();
    const auto firstByte = *static_cast<const std::uint8_t*>(*slot);
    if (!g_awaitingHeader && length >= 2) CallLog::instance().firstBytes().push_back(firstByte);
    if (g_awaitingHeader) {
        g_awaitingHeader = false;
        wave.playing = true;
        std::free(*slot);
    } else if (wave.playing) {
        ++wave.dataBlocks;
        g_held.push_back(*slot);
    } else {
        std::free(*slot);
    }
    return CallLog::instance().result("WavAddPlayData", 0);
}

CORVID_API int32_t CORVID_CALL WavNowPlay(void) {
    CallLog::instance().record("WavNowPlay", {});
    const auto& wave = CallLog::instance().wave();
    if (!wave.playing) return -2;
    if (CallLog::instance().nowPlay) return CallLog::instance().nowPlay(wave);
    return CallLog::instance().result("WavNowPlay", -2);
}

CORVID_API int32_t CORVID_CALL WavStop(void) { return endPlayback("WavStop"); }
CORVID_API int32_t CORVID_CALL WavDestroy(void) { return endPlayback("WavDestroy"); }

}  // extern "C"

namespace {
// Each call is logged with the one argument the tests look at, if any.
std::string number(std::int64_t value) { return std::to_string(value); }

// What the double's AdpcmDecHeader writes in place of a WAV header.
constexpr char kConvertedHeader[] = "ORVELHDR";

void fillInfo(uint8_t* info) {
    if (info != nullptr) std::copy(CallLog::instance().info().begin(), CallLog::instance().info().end(), info);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A zeroed block of `bytes` for an out slot, as the real library hands out.
void giveBlock(void** slot, std::int32_t bytes) {
    if (slot != nullptr) *slot = std::calloc(static_cast<std::size_t>(std::max(bytes, 1)), 1);
}
}  // namespace

extern "C" {

ORVEL_API int32_t ORVEL_CALL SoundSet11k16bit(void** slot, int32_t rateSelector, uint8_t* buffer) {
    CallLog::instance().record("SoundSet11k16bit", {number(rateSelector)});
    giveBlock(slot, 100);
    if (buffer != nullptr) std::fill_n(buffer, 100, uint8_t{0});
    return CallLog::instance().result("SoundSet11k16bit", 0);
}

ORVEL_API int32_t ORVEL_CALL pb_adpcm_dec(int32_t, int32_t, int32_t count, const uint8_t* codes, void** slot,
                                          int32_t mode) {
    CallLog::instance().record("pb_adpcm_dec", {});
    if (mode == 1) return 0;
    const int32_t samples = CallLog::instance().result("pb_adpcm_dec", count);
    giveBlock(slot, samples * 2);
    // Sample i is code i, so a test can tell from a block which page made it.
    if (slot != nullptr && codes != nullptr) {
        auto* out = static_cast<std::int16_t*>(*slot);
        for (int32_t i = 0; i < std::min(samples, count); ++i) out[i] = codes[i];
    }
    return samples;
}

ORVEL_API int32_t ORVEL_CALL WavPlx(const char*, int32_t, uint8_t, void**, int32_t, int32_t, uint8_t* info) {
    CallLog::instance().record("WavPlx", {});
    fillInfo(info);
    return CallLog::instance().result("WavPlx", 0);
}

ORVEL_API int32_t ORVEL_CALL GetWavType(const char*, uint8_t* info) {
    CallLog::instance().record("GetWavType", {});
    fillInfo(info);
    return CallLog::instance().result("GetWavType", 0);
}

ORVEL_API int32_t ORVEL_CALL PcmWavPlay(const char*, uint8_t, int32_t start, int32_t length, void** slot) {
    CallLog::instance().record("PcmWavPlay", {number(start)});
    const int32_t bytes = CallLog::instance().result("PcmWavPlay", length * 2);
    giveBlock(slot, bytes);
    return bytes;
}

ORVEL_API int32_t ORVEL_CALL AdpcmDecHeader(const char* wavFileName, int32_t, int32_t, int32_t, int32_t, int32_t,
                                            int32_t pages0, int32_t, uint8_t* scratch) {
    CallLog::instance().record("AdpcmDecHeader", {number(pages0)});
    const int32_t needed = CallLog::instance().result("AdpcmDecHeader", 0);
    if (needed == -1) return needed;
    // Like the real library, it copies a WAV header to scratch; the player
    // learns the whole size of the file from it.
    if (scratch != nullptr) {
        const auto dataBytes = static_cast<std::uint32_t>(std::max(needed - 44, 0));
        std::array<std::uint8_t, 44> header{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
        put32(&header[4], dataBytes + 36);
        std::copy_n("data", 4, &header[36]);
        put32(&header[40], dataBytes);
        std::copy(header.begin(), header.end(), scratch);
    }
    // Like the real library, it creates the file; its "header" is a marker
    // a test can tell from the codes that follow.
    if (wavFileName != nullptr) {
        if (std::FILE* file = std::fopen(wavFileName, "wb")) {
            std::fwrite(kConvertedHeader, 1, sizeof kConvertedHeader - 1, file);
            std::fclose(file);
        }
    }
    return needed;
}

ORVEL_API int32_t ORVEL_CALL AdpcmDecx(const char* wavFileName, const uint8_t* codes, int32_t, int32_t, int32_t count,
                                       int32_t, int32_t mode) {
    CallLog::instance().record("AdpcmDecx", {number(mode)});
    // A page's "samples" are its codes, appended as they came, the file
    // opened and closed each time; a call after the file was deleted
    // brings it back, which a test sees.
    if (mode != 1 && wavFileName != nullptr && codes != nullptr) {
        if (std::FILE* file = std::fopen(wavFileName, "ab")) {
            std::fwrite(codes, 1, static_cast<std::size_t>(std::clamp(count, 0, 2048)), file);
            std::fclose(file);
        }
    }
    return CallLog::instance().result("AdpcmDecx", 0);
}

}  // extern "C"
