// Writing outside files. Like InputFile, the one place that opens them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "byte_sink.h"

namespace zrc {

class OutputFile : public ByteSink {
public:
    enum class Mode {
        Create,  // a new file, an existing one truncated
        Append,  // every byte goes to the end of the file, which is made if missing
    };

    OutputFile(const char* name, Mode mode);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when the name cannot be opened for writing, a folder included.
    bool isOpen() const { return m_file != nullptr; }

    void write(std::span<const std::uint8_t> bytes) override;

    // Closes the file; true when it was open and every byte reached it.
    bool close();

private:
    std::FILE* m_file = nullptr;
    bool m_failed = false;
};

}  // namespace zrc
