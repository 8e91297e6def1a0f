#include "interruption.h"

#include <atomic>
#include <csignal>

namespace zrc::cli {

namespace {
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onSignal(int) { requested.store(true); }

struct sigaction previousInt {};
struct sigaction previousTerm {};
}  // namespace

InterruptGuard::InterruptGuard() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    // A second Ctrl-C is not caught: it ends the program at once.
    sa.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &previousInt);
    sigaction(SIGTERM, &sa, &previousTerm);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
}

bool interruptRequested() { return requested.load(); }
void clearInterruptRequest() { requested.store(false); }
void requestInterrupt() { requested.store(true); }

}  // namespace zrc::cli
