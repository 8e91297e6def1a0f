#include "fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace zrc::fuzz {

namespace {
class NullBuffer final : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};
NullBuffer nullBuffer;
}  // namespace

void fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "\nfuzz check failed: %s (%s:%d)\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

Scratch& Scratch::get() {
    static Scratch scratch;
    return scratch;
}

Scratch::Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zrc-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) fail("a scratch folder can be made", __FILE__, __LINE__);
    m_root = pattern;
}

Scratch::~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
}

std::string Scratch::write(const std::string& name, std::span<const std::uint8_t> bytes) const {
    const std::string file = path(name).string();
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr) fail("an input file can be written", __FILE__, __LINE__);
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) fail("an input file can be written", __FILE__, __LINE__);
    return file;
}

std::optional<std::vector<std::uint8_t>> Scratch::read(const std::string& name) const {
    std::FILE* f = std::fopen(path(name).c_str(), "rb");
    if (f == nullptr) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0) bytes.insert(bytes.end(), block, block + got);
    std::fclose(f);
    return bytes;
}

void Scratch::remove(const std::string& name) const { ::unlink(path(name).c_str()); }

std::vector<std::string> Scratch::names() const {
    std::vector<std::string> all;
    for (const auto& entry : std::filesystem::directory_iterator(m_root)) all.push_back(entry.path().filename());
    std::sort(all.begin(), all.end());
    return all;
}

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

QuietStreams::QuietStreams() : m_out(std::cout.rdbuf(&nullBuffer)), m_err(std::cerr.rdbuf(&nullBuffer)) {}

QuietStreams::~QuietStreams() {
    std::cout.rdbuf(m_out);
    std::cerr.rdbuf(m_err);
}

}  // namespace zrc::fuzz
