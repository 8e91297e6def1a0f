#include "coding_parts.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace zrc::cli {

namespace {

struct Part {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    PartContext context;
    // Written by the part's thread before the flag that publishes it.
    AdpcmState start{};
    std::atomic<bool> startReady{false};
    AdpcmState end{};
    bool ok = true;
    std::atomic<bool> done{false};
    // Pages the calling thread wrote when it coded the part again.
    PartContext again;
    std::jthread thread;
};

}  // namespace

PartsOutcome codeInParts(std::uint64_t pages, const PartsOptions& options, const RunPages& run,
                         const std::function<bool(std::uint64_t)>& progress) {
    PartsOutcome outcome;
    if (pages == 0) return outcome;
    const std::uint64_t minPages = std::max<std::uint64_t>(1, options.minPagesPerPart);
    const auto count = static_cast<unsigned>(
        std::clamp<std::uint64_t>(pages / minPages, 1, std::max(1u, options.threads)));
    outcome.report.parts = count;

    const std::function<void()> noTick = [] {};
    std::vector<std::unique_ptr<Part>> parts;
    for (unsigned k = 0; k < count; ++k) {
        auto& p = *parts.emplace_back(std::make_unique<Part>());
        p.first = pages * k / count;
        p.last = pages * (k + 1) / count - 1;
    }

    // Progress counts each part once: what its own thread wrote, or what the
    // calling thread wrote of it again, whichever is more.
    std::uint64_t delivered = 0;
    auto tick = [&] {
        std::uint64_t total = 0;
        for (const auto& p : parts) total += std::max(p->context.counted.load(), p->again.counted.load());
        if (total > delivered && progress && !outcome.interrupted) {
            if (!progress(total - delivered)) {
                outcome.interrupted = true;
                for (auto& p : parts) {
                    p->context.stop = true;
                    p->again.stop = true;
                }
            }
        }
        delivered = std::max(delivered, total);
    };
    for (unsigned k = 1; k < count; ++k) {
        Part& p = *parts[k];
        p.thread = std::jthread([&run, &p, &noTick, warmUp = std::min(options.warmUpPages, p.first)] {
            AdpcmState s = AdpcmState::resetState();
            if (warmUp > 0) run(s, p.first - warmUp, p.first - 1, false, p.context, noTick);
            p.start = s;
            p.startReady.store(true, std::memory_order_release);
            p.ok = run(s, p.first, p.last, true, p.context, noTick);
            p.end = s;
            p.done.store(true, std::memory_order_release);
        });
    }

    auto waitFor = [&](const std::atomic<bool>& flag) {
        while (!flag.load(std::memory_order_acquire)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            tick();
        }
    };

    AdpcmState state = AdpcmState::resetState();
    Part& head = *parts[0];
    outcome.ok = run(state, head.first, head.last, true, head.context, tick);
    for (unsigned k = 1; k < count && outcome.ok && !outcome.interrupted; ++k) {
        Part& p = *parts[k];
        waitFor(p.startReady);
        if (p.start == state) {
            waitFor(p.done);
            outcome.ok = p.ok;
            state = p.end;
        } else {
            p.context.stop = true;
            p.thread.join();
            ++outcome.report.redone;
            outcome.ok = run(state, p.first, p.last, true, p.again, tick);
        }
    }
    if (outcome.ok) tick();
    for (auto& p : parts) p->context.stop = true;
    parts.clear();  // joins every thread
    return outcome;
}

bool PlacedPages::write(std::uint64_t firstPage, std::span<const std::uint8_t> bytes, PartContext& part) {
    std::lock_guard lock(m_mutex);
    if (!m_out.writeAt(m_firstPageAt + firstPage * m_bytesPerPage, bytes)) return false;
    part.counted += bytes.size() / m_bytesPerPage;
    return true;
}

}  // namespace zrc::cli
