// Where a command's outputs go, and writing them so that no partial or
// unintended file is ever left at an output's name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrc::cli {

// The input's name with its extension replaced (or added), in its folder.
std::filesystem::path defaultOutputPath(const std::filesystem::path& input, std::string_view extension);

struct OutputTarget {
    std::filesystem::path input;
    std::filesystem::path output;
    std::string error;  // why this input gets no output; empty when it does
};

struct OutputPlan {
    std::string error;  // a usage error that stops the whole run
    std::vector<OutputTarget> targets;
};

// Decides each input's output: `outputOption` names the file for a single
// input or an existing folder for any number; without it each output sits
// beside its input. An output is refused when it exists (unless force), when
// it is one of the run's inputs (compared as resolved paths, so links and
// "./" do not hide it; never allowed, not even with force) or when an
// earlier input already takes it.
OutputPlan planOutputs(const std::vector<std::filesystem::path>& inputs,
                       const std::optional<std::filesystem::path>& outputOption, bool force,
                       std::string_view extension);

// A file written under a temporary name in its target's folder, so the
// final rename stays within one file system. commit() gives it the target's
// name; dropped uncommitted, the temporary file is removed.
class PendingFile {
public:
    // Creates the temporary file exclusively; on failure isOpen() is false
    // and error() says why.
    explicit PendingFile(std::filesystem::path target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool isOpen() const { return !m_temporary.empty(); }
    const std::string& error() const { return m_error; }
    const std::filesystem::path& temporaryPath() const { return m_temporary; }
    const std::filesystem::path& target() const { return m_target; }

    // The open descriptor of the temporary file; whoever takes it closes it.
    int takeDescriptor();

    // Renames the finished file to the target. Without overwrite an existing
    // target (also one that appeared while writing) is kept and the commit
    // fails. The file gets the permissions a newly created file would.
    bool commit(bool overwrite);

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    std::string m_error;
};

// "<what>: <system reason>" for an errno value, safe on any thread.
std::string systemReason(int errorNumber);

}  // namespace zrc::cli
