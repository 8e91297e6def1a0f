// Where encoded bytes go: a file, or memory in tests and tools.
#pragma once

#include <cstdint>
#include <span>

namespace zrc {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends bytes. A sink that cannot take them remembers the failure.
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace zrc
