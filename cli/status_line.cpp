#include "status_line.h"

#include <unistd.h>

#include <string>

namespace zrc::cli {

StatusLine::StatusLine(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}

StatusLine::~StatusLine() { finish(); }

bool StatusLine::stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

void StatusLine::show(std::string_view text) {
    if (!m_terminal) {
        m_out << text << '\n' << std::flush;
        return;
    }
    m_out << '\r' << text;
    // A shorter text must not leave the tail of the longer one before it.
    if (text.size() < m_shownLength) m_out << std::string(m_shownLength - text.size(), ' ');
    m_out << std::flush;
    m_shownLength = text.size();
    m_open = true;
}

void StatusLine::finish() {
    if (!m_open) return;
    m_out << '\n' << std::flush;
    m_open = false;
    m_shownLength = 0;
}

}  // namespace zrc::cli
