// Where the RIFF walker reads its bytes: a block in memory or an opened file.
#pragma once

#include <cstdint>
#include <span>

namespace zrc::riff {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    virtual std::uint64_t size() const = 0;

    // Copies the bytes at offset into out; returns how many of them the
    // source holds (the rest of out is left unspecified).
    virtual std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// Bytes already in memory, borrowed for the lifetime of the object.
class SpanSource final : public ByteSource {
public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint64_t size() const override { return m_bytes.size(); }
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

private:
    std::span<const std::uint8_t> m_bytes;
};

}  // namespace zrc::riff
