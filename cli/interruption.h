// Ctrl-C and termination requests, turned into a flag that long jobs poll,
// so they can stop between pages and clean up instead of dying mid-write.
#pragma once

namespace zrc::cli {

// Catches SIGINT and SIGTERM while it exists; the previous handlers come
// back when it goes.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};

bool interruptRequested();
// For tests, and for a second run in one process.
void clearInterruptRequest();
void requestInterrupt();

}  // namespace zrc::cli
