// A progress bar on standard error, drawn only when that is a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string_view>

namespace zrc::cli {

class ProgressBar {
public:
    // Draws on `bar` when enabled; total counts work units (pages) over all
    // files, files the number of files.
    ProgressBar(std::ostream& bar, bool enabled, std::uint64_t total, std::size_t files);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Whether standard error is a terminal, the one place a bar belongs.
    static bool stderrIsTerminal();

    // Thread-safe. Redraws at most ten times a second.
    void advance(std::uint64_t units);
    void fileDone();
    // Writes a whole line to `out`, moving the bar out of its way.
    void print(std::ostream& out, std::string_view line);
    // Draws the final state and ends the bar's line.
    void finish();

private:
    void draw();
    void clear();

    std::ostream& m_bar;
    const bool m_enabled;
    const std::uint64_t m_total;
    const std::size_t m_files;
    std::uint64_t m_done = 0;
    std::size_t m_filesDone = 0;
    bool m_drawn = false;
    bool m_finished = false;
    std::chrono::steady_clock::time_point m_lastDraw{};
    std::mutex m_mutex;
};

}  // namespace zrc::cli
