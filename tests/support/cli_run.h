// zrc's subcommands run in-process, their output captured.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "commands.h"
#include "test_files.h"

namespace zrc::test {

struct Outcome {
    int status;
    std::string out, err;
};

template <class F>
Outcome captured(F&& command) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = command();
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, std::move(out), ::testing::internal::GetCapturedStderr()};
}

inline cli::EncodeOptions encodeOptions(std::vector<std::string> files, std::optional<int> width = {},
                                        bool convert = false) {
    cli::EncodeOptions o;
    std::tie(o.files, o.width, o.convert) = std::tuple(std::move(files), width, convert);
    return o;
}

class CliTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        writeFile(m_dir.file(name), bytes);
        return path(name);
    }
    std::string path(const std::string& name) const { return m_dir.file(name).string(); }
    std::vector<std::uint8_t> read(const std::string& name) const { return readFile(m_dir.file(name)); }
    Outcome decode(std::vector<std::string> files, std::optional<std::string> output = {}, int bits = 16,
                   unsigned jobs = 1, bool force = false, std::optional<std::string> format = {}) {
        cli::DecodeOptions o;
        std::tie(o.files, o.output, o.bits, o.jobs, o.force, o.format) =
            std::tuple(std::move(files), std::move(output), bits, jobs, force, std::move(format));
        return decode(o);
    }
    Outcome decode(const cli::DecodeOptions& options) { return captured([&] { return cli::runDecode(options); }); }
    Outcome encode(const cli::EncodeOptions& options) { return captured([&] { return cli::runEncode(options); }); }
    Outcome info(std::vector<std::string> files, bool json) {
        return captured([&] { return cli::runInfo({std::move(files), json}); });
    }
    TempDir m_dir;
};

}  // namespace zrc::test
