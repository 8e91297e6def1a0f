// Test double of the wave-output library: records every call and every block
// it is handed, plays nothing; the test decides what WavNowPlay reports.
#include <cstdlib>
#include <string>
#include <vector>

#include "call_log.h"
#include "corvid.h"

using zrc::test::doubles::CallLog;

namespace {
// Blocks handed over since WavCreate; Corvid owns them.
std::vector<void*>& queued() {
    static std::vector<void*> blocks;
    return blocks;
}

void releaseBlocks() {
    for (void* block : queued()) std::free(block);
    queued().clear();
}

// Between WavCreate and the header block.
bool& awaitingHeader() {
    static bool awaiting = false;
    return awaiting;
}

void endPlayback() {
    CallLog::instance().wave().playing = false;
    awaitingHeader() = false;
    releaseBlocks();
}
}  // namespace

extern "C" {

CORVID_API int32_t CORVID_CALL WavCreate(void) {
    CallLog::instance().record("WavCreate", {});
    endPlayback();
    auto& wave = CallLog::instance().wave();
    ++wave.generation;
    wave.dataBlocks = 0;
    awaitingHeader() = true;
    return CallLog::instance().result("WavCreate", 0);
}

// Like the real library it takes the block and leaves the slot alone.
CORVID_API int32_t CORVID_CALL WavAddPlayData(void** slot, int32_t length) {
    CallLog::instance().record("WavAddPlayData", {slot != nullptr ? "slot" : "null", std::to_string(length)});
    if (slot == nullptr || *slot == nullptr) return CallLog::instance().result("WavAddPlayData", 0);
    void* block = *slot;
    auto& wave = CallLog::instance().wave();
    const bool header = awaitingHeader();
    if (!header && length >= 2) CallLog::instance().firstBytes().push_back(*static_cast<const std::uint8_t*>(block));
    if (header) {
        awaitingHeader() = false;
        wave.playing = true;
        std::free(block);
    } else if (wave.playing) {
        ++wave.dataBlocks;
        queued().push_back(block);
    } else {
        std::free(block);
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

CORVID_API int32_t CORVID_CALL WavStop(void) {
    CallLog::instance().record("WavStop", {});
    endPlayback();
    return CallLog::instance().result("WavStop", 0);
}

CORVID_API int32_t CORVID_CALL WavDestroy(void) {
    CallLog::instance().record("WavDestroy", {});
    endPlayback();
    return CallLog::instance().result("WavDestroy", 0);
}

}  // extern "C"
