#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <string>

namespace zrc::cli {

namespace {
constexpr int kWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
}  // namespace

ProgressBar::ProgressBar(std::ostream& bar, bool enabled, std::uint64_t total, std::size_t files)
    : m_bar(bar), m_enabled(enabled), m_total(total), m_files(files) {}

ProgressBar::~ProgressBar() { finish(); }

bool ProgressBar::stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void ProgressBar::advance(std::uint64_t units) {
    std::lock_guard lock(m_mutex);
    m_done = std::min(m_total, m_done + units);
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastDraw >= kRedrawEvery) {
        m_lastDraw = now;
        draw();
    }
}

void ProgressBar::fileDone() {
    std::lock_guard lock(m_mutex);
    ++m_filesDone;
    draw();
}

void ProgressBar::print(std::ostream& out, std::string_view line) {
    std::lock_guard lock(m_mutex);
    clear();
    out << line << '\n';
    out.flush();
    if (!m_finished) draw();
}

void ProgressBar::finish() {
    std::lock_guard lock(m_mutex);
    if (m_finished) return;
    draw();
    if (m_drawn) m_bar << '\n' << std::flush;
    m_finished = true;
}

void ProgressBar::draw() {
    if (!m_enabled || m_finished) return;
    const double fraction = m_total == 0 ? 1.0 : static_cast<double>(m_done) / static_cast<double>(m_total);
    const int filled = static_cast<int>(fraction * kWidth);
    std::string line = "\r[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kWidth - filled), '.');
    line += "] " + std::to_string(static_cast<int>(fraction * 100)) + "%  " + std::to_string(m_filesDone) + "/" +
            std::to_string(m_files) + " files";
    m_bar << line << std::flush;
    m_drawn = true;
}

void ProgressBar::clear() {
    if (m_enabled && m_drawn && !m_finished) m_bar << "\r\033[K" << std::flush;
}

}  // namespace zrc::cli
