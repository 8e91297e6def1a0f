// Writing files. All file-system calls of the core that write live here,
// as those that read live in input_file.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

#include "byte_sink.h"

namespace zrc {

// A binary file written mostly at its end, with the odd write further back
// (a header's size fields). Writes go through a large buffer; a failed
// write is remembered, so close() tells whether everything reached the file.
class OutputFile : public ByteSink {
public:
    // Creates the file, or truncates an existing one.
    static OutputFile create(const char* name);
    // Every write goes to the end of the file, which is made when missing
    // (writeAt cannot reach back in this mode).
    static OutputFile openForAppend(const char* name);
    // An existing regular file; writes continue at its end.
    static OutputFile openExisting(const char* name);
    // A descriptor opened for writing elsewhere (a temporary file made with
    // exclusive creation); the object owns it from now on.
    static OutputFile adopt(int fd);

    OutputFile() = default;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() override;

    bool isOpen() const { return m_file != nullptr; }
    std::uint64_t size() const { return m_size; }
    // The errno of the first failure, 0 while there was none.
    int error() const { return m_error; }

    bool append(std::span<const std::uint8_t> bytes);
    void write(std::span<const std::uint8_t> bytes) override { append(bytes); }
    // Overwrites bytes at offset; later appends still go to the end.
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Cuts the file to its first `size` bytes.
    bool truncate(std::uint64_t size);
    // Flushes and closes; false when any write since opening failed.
    bool close();

private:
    explicit OutputFile(std::FILE* file);

    std::FILE* m_file = nullptr;
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_size = 0;
    bool m_failed = false;
    int m_error = 0;

    bool fail();
};

// Whether two names lead to one existing file, whatever links or spellings
// lie between them.
bool isSameFile(const char* a, const char* b);

// Removes a file this library made and could not finish.
void removeFile(const char* name);

}  // namespace zrc
