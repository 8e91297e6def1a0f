// Test double of the wave-output library: records every call, plays nothing.
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
}  // namespace

extern "C" {

CORVID_API int32_t CORVID_CALL WavCreate(void) {
    CallLog::instance().record("WavCreate", {});
    return CallLog::instance().result("WavCreate", 0);
}

CORVID_API int32_t CORVID_CALL WavAddPlayData(void** slot, int32_t length) {
    CallLog::instance().record("WavAddPlayData", {slot != nullptr ? "slot" : "null", std::to_string(length)});
    if (slot != nullptr && *slot != nullptr) {
        queued().push_back(*slot);
        *slot = nullptr;
    }
    return CallLog::instance().result("WavAddPlayData", 0);
}

CORVID_API int32_t CORVID_CALL WavNowPlay(void) {
    CallLog::instance().record("WavNowPlay", {});
    return CallLog::instance().result("WavNowPlay", -2);
}

CORVID_API int32_t CORVID_CALL WavStop(void) {
    CallLog::instance().record("WavStop", {});
    return CallLog::instance().result("WavStop", 0);
}

CORVID_API int32_t CORVID_CALL WavDestroy(void) {
    CallLog::instance().record("WavDestroy", {});
    releaseBlocks();
    return CallLog::instance().result("WavDestroy", 0);
}

}  // extern "C"
