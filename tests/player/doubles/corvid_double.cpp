// Test double of the wave-output library: records every call and every block
// it is handed, plays nothing; the test decides what WavNowPlay reports.
#include <cstdlib>
#include <string>
#include <vector>

#include "call_log.h"
#include "corvid.h"

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
    if (!g_awaitingHeader && length >= 2) CallLog::instance().firstBytes().push_back(*static_cast<std::uint8_t*>(*slot));
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
