// What the fuzzers share: a scratch folder for the files that the exports
// open and write, and a check that stops the run on a broken promise.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zrc::fuzz {

// Prints what failed and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char* condition, const char* file, int line);

#define ZRC_FUZZ_CHECK(condition)                                                       \
    do {                                                                                \
        if (!(condition)) ::zrc::fuzz::fail(#condition, __FILE__, __LINE__);            \
    } while (false)

// A folder of this process under the temporary folder, removed at exit.
class Scratch {
public:
    static Scratch& get();

    std::filesystem::path path(const std::string& name) const { return m_root / name; }
    // Writes bytes to a file of the folder and returns its name as the C
    // exports take it.
    std::string write(const std::string& name, std::span<const std::uint8_t> bytes) const;
    // The file's bytes, or nothing when there is no such file.
    std::optional<std::vector<std::uint8_t>> read(const std::string& name) const;
    void remove(const std::string& name) const;
    // Names in the folder, sorted, for "nothing left behind" checks.
    std::vector<std::string> names() const;

    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

private:
    Scratch();
    std::filesystem::path m_root;
};

// Little-endian fields of files the fuzzers look into.
std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at);
std::uint16_t le16(std::span<const std::uint8_t> bytes, std::size_t at);

// Sends std::cout and std::cerr nowhere while it exists: a command's
// messages would slow the run and bury libFuzzer's own.
class QuietStreams {
public:
    QuietStreams();
    ~QuietStreams();
    QuietStreams(const QuietStreams&) = delete;
    QuietStreams& operator=(const QuietStreams&) = delete;

private:
    std::streambuf* m_out;
    std::streambuf* m_err;
};

}  // namespace zrc::fuzz
