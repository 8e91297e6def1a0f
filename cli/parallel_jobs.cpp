#include "parallel_jobs.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace zrc::cli {

unsigned defaultJobCount() { return std::max(1u, std::thread::hardware_concurrency()); }

unsigned threadsPerFile(unsigned jobs, std::size_t files) {
    return static_cast<unsigned>(std::max<std::size_t>(1, jobs / std::max<std::size_t>(1, files)));
}

void runParallel(std::size_t count, unsigned workers, const std::function<void(std::size_t)>& job) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                job(i);
            } catch (...) {
                std::lock_guard lock(failureMutex);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    const std::size_t threads = std::min<std::size_t>(std::max(1u, workers), count);
    std::vector<std::jthread> pool;
    // The calling thread is one of the workers.
    for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    pool.clear();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace zrc::cli
