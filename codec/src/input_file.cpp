#include "input_file.h"

#include <algorithm>
#include <sys/stat.h>

namespace zrc {

InputFile::InputFile(const char* name) {
    if (name == nullptr) return;
    m_file = std::fopen(name, "rb");
    if (m_file == nullptr) return;
    // A folder opens for reading here but holds no bytes to read: refuse it
    // as an unopenable file rather than report it as an empty one.
    struct stat st {};
    if (fstat(fileno(m_file), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(m_file);
        m_file = nullptr;
        return;
    }
    m_size = static_cast<std::uint64_t>(st.st_size);
}

InputFile::~InputFile() {
    if (m_file != nullptr) std::fclose(m_file);
}

std::size_t InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    std::size_t got = 0;
    std::lock_guard lock(m_readMutex);
    if (m_file != nullptr && offset < m_size &&
        fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0) {
        got = std::fread(out.data(), 1, out.size(), m_file);
        if (got < std::min<std::uint64_t>(out.size(), m_size - offset)) m_shortRead = true;
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), std::uint8_t{0xFF});
    return got;
}

}  // namespace zrc
