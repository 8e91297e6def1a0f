// Running independent jobs (one per input file) on several threads.
#pragma once

#include <cstddef>
#include <functional>

namespace zrc::cli {

// The default for -j: the number of cores, at least 1.
unsigned defaultJobCount();

// Threads each of `files` files gets when -j is `jobs`: those no other file
// needs, at least 1. They code parts of one long file at once.
unsigned threadsPerFile(unsigned jobs, std::size_t files);

// Runs job(i) for every i below count, on at most `workers` threads, each
// index exactly once, and returns when all have ended. An exception from a
// job is rethrown here once all threads are done.
void runParallel(std::size_t count, unsigned workers, const std::function<void(std::size_t)>& job);

}  // namespace zrc::cli
