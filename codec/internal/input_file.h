// Reading outside files. All file-system calls of the core live here.
#pragma once

#include <cstdint>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <span>

namespace zrc {

// A file opened for reading (binary, shared with other openers). Reads past
// the end yield 0xFF bytes, as the recorder's readers expect.
class InputFile {
public:
    explicit InputFile(const char* name);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False when the name does not lead to a readable regular file.
    bool isOpen() const { return m_file != nullptr; }
    std::uint64_t size() const { return m_size; }

    // Fills out with the bytes at offset; whatever lies past the end of the
    // file is 0xFF. Returns the number of bytes that came from the file.
    // Threads may read one file at once.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out);

    // True once a read gave fewer bytes than size() promised: the file was
    // cut while it was open, or the device failed. What then read as 0xFF
    // stood for bytes the file had.
    bool shortRead() const { return m_shortRead.load(); }

private:
    std::FILE* m_file = nullptr;
    std::uint64_t m_size = 0;
    std::atomic<bool> m_shortRead{false};
    std::mutex m_readMutex;  // a seek and a read are one step
};

}  // namespace zrc
