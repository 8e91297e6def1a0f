#include "output_file.h"

#include <sys/stat.h>

namespace zrc {

OutputFile::OutputFile(const char* name, Mode mode) {
    if (name == nullptr) return;
    m_file = std::fopen(name, mode == Mode::Create ? "wb" : "ab");
    if (m_file == nullptr) return;
    // fopen refuses a folder for writing already; the test keeps the rule
    // of InputFile should that ever differ.
    struct stat st {};
    if (fstat(fileno(m_file), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

OutputFile::~OutputFile() { close(); }

void OutputFile::write(std::span<const std::uint8_t> bytes) {
    if (m_file == nullptr || m_failed || bytes.empty()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) m_failed = true;
}

bool OutputFile::close() {
    if (m_file == nullptr) return false;
    // A full disk often shows only when the last buffer is flushed.
    const bool flushed = std::fflush(m_file) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return flushed && closed && !m_failed;
}

}  // namespace zrc
