#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace zrc {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;

bool isRegularFile(std::FILE* f, std::uint64_t* size) {
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *size = static_cast<std::uint64_t>(st.st_size);
    return true;
}
}  // namespace

OutputFile::OutputFile(std::FILE* file) : m_file(file) {
    if (m_file == nullptr) return;
    std::uint64_t size = 0;
    // A folder, device or pipe is no place for a WAV file that gets its
    // header rewritten.
    if (!isRegularFile(m_file, &size) || fseeko(m_file, 0, SEEK_END) != 0) {
        std::fclose(m_file);
        m_file = nullptr;
        return;
    }
    m_size = size;
    m_buffer = std::make_unique<char[]>(kBufferSize);
    std::setvbuf(m_file, m_buffer.get(), _IOFBF, kBufferSize);
}

OutputFile OutputFile::create(const char* name) {
    return OutputFile(name == nullptr ? nullptr : std::fopen(name, "wb"));
}

OutputFile OutputFile::openForAppend(const char* name) {
    return OutputFile(name == nullptr ? nullptr : std::fopen(name, "ab"));
}

OutputFile OutputFile::openExisting(const char* name) {
    return OutputFile(name == nullptr ? nullptr : std::fopen(name, "r+b"));
}

OutputFile OutputFile::adopt(int fd) {
    if (fd < 0) return OutputFile(nullptr);
    std::FILE* f = fdopen(fd, "r+b");
    if (f == nullptr) ::close(fd);
    return OutputFile(f);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_file(std::exchange(other.m_file, nullptr)),
      m_buffer(std::move(other.m_buffer)),
      m_size(other.m_size),
      m_failed(other.m_failed),
      m_error(other.m_error) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        close();
        m_file = std::exchange(other.m_file, nullptr);
        m_buffer = std::move(other.m_buffer);
        m_size = other.m_size;
        m_failed = other.m_failed;
        m_error = other.m_error;
    }
    return *this;
}

OutputFile::~OutputFile() { close(); }

bool OutputFile::append(std::span<const std::uint8_t> bytes) {
    if (m_file == nullptr || m_failed) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) return fail();
    m_size += bytes.size();
    return true;
}

bool OutputFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (m_file == nullptr || m_failed) return false;
    const bool ok = fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
                    std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size() &&
                    fseeko(m_file, 0, SEEK_END) == 0;
    if (!ok) return fail();
    if (offset + bytes.size() > m_size) m_size = offset + bytes.size();
    return true;
}

bool OutputFile::truncate(std::uint64_t size) {
    if (m_file == nullptr || m_failed) return false;
    if (std::fflush(m_file) != 0 || ::ftruncate(fileno(m_file), static_cast<off_t>(size)) != 0 ||
        fseeko(m_file, 0, SEEK_END) != 0) {
        return fail();
    }
    m_size = size;
    return true;
}

bool OutputFile::close() {
    if (m_file == nullptr) return false;
    if (std::fflush(m_file) != 0) fail();
    if (std::fclose(m_file) != 0) fail();
    m_file = nullptr;
    m_buffer.reset();
    return !m_failed;
}

bool isSameFile(const char* a, const char* b) {
    struct stat sa {};
    struct stat sb {};
    if (a == nullptr || b == nullptr || stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void removeFile(const char* name) {
    if (name != nullptr) ::unlink(name);
}

bool OutputFile::fail() {
    if (!m_failed) m_error = errno != 0 ? errno : EIO;
    m_failed = true;
    return false;
}

}  // namespace zrc
