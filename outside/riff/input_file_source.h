// An opened file as the walker's byte source. Only targets that link
// pagecodec_core, where InputFile lives, include this.
#pragma once

#include "byte_source.h"
#include "input_file.h"

namespace zrc::riff {

class InputFileSource final : public ByteSource {
public:
    explicit InputFileSource(InputFile& file) : m_file(file) {}
    std::uint64_t size() const override { return m_file.size(); }
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        return m_file.readAt(offset, out);
    }

private:
    InputFile& m_file;
};

}  // namespace zrc::riff
