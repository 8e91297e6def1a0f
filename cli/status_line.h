// One line of status that changes in place on a terminal and becomes a
// line per change anywhere else (a pipe or a log keeps every state).
#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>

namespace zrc::cli {

class StatusLine {
public:
    StatusLine(std::ostream& out, bool terminal);
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    static bool stdoutIsTerminal();

    void show(std::string_view text);
    // Ends the line in place, so what follows starts on a line of its own.
    void finish();

private:
    std::ostream& m_out;
    const bool m_terminal;
    std::size_t m_shownLength = 0;
    bool m_open = false;
};

}  // namespace zrc::cli
