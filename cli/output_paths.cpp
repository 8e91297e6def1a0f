#include "output_paths.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <system_error>

namespace zrc::cli {

namespace fs = std::filesystem;

namespace {

fs::path resolved(const fs::path& p) {
    std::error_code ec;
    fs::path r = fs::weakly_canonical(fs::absolute(p, ec), ec);
    return ec ? fs::absolute(p).lexically_normal() : r;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    if (resolved(a) == resolved(b)) return true;
    // Hard links resolve to different names but are one file.
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// The process's umask without changing it (umask() would, for every thread).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    return 022;
}

}  // namespace

std::string systemReason(int errorNumber) { return std::error_code(errorNumber, std::generic_category()).message(); }

fs::path defaultOutputPath(const fs::path& input, std::string_view extension) {
    fs::path out = input;
    out.replace_extension(extension);
    return out;
}

OutputPlan planOutputs(const std::vector<fs::path>& inputs, const std::optional<fs::path>& outputOption, bool force,
                       std::string_view extension) {
    OutputPlan plan;
    std::error_code ec;
    if (outputOption && outputOption->empty()) {
        plan.error = "-o names no file";
        return plan;
    }
    const bool toFolder = outputOption && fs::is_directory(*outputOption, ec);
    if (outputOption && !toFolder) {
        if (inputs.size() > 1) {
            plan.error = "-o must name an existing folder when there are several inputs";
            return plan;
        }
        const std::string text = outputOption->string();
        if (!text.empty() && text.back() == '/') {
            plan.error = "no such folder: " + text;
            return plan;
        }
    }

    std::vector<fs::path> taken;
    for (const fs::path& input : inputs) {
        OutputTarget t{input, {}, {}};
        if (!outputOption) t.output = defaultOutputPath(input, extension);
        else if (toFolder) t.output = *outputOption / defaultOutputPath(input.filename(), extension);
        else t.output = *outputOption;

        for (const fs::path& other : inputs) {
            if (sameFile(t.output, other)) {
                t.error = "the output would overwrite the input";
                if (other != input) t.error += " " + other.string();
                break;
            }
        }
        if (t.error.empty()) {
            for (const fs::path& earlier : taken) {
                if (resolved(earlier) == resolved(t.output)) {
                    t.error = "another input already writes " + t.output.string();
                    break;
                }
            }
        }
        if (t.error.empty() && !force && fs::exists(fs::symlink_status(t.output, ec))) {
            t.error = t.output.string() + " exists (--force overwrites it)";
        }
        if (t.error.empty()) taken.push_back(t.output);
        plan.targets.push_back(std::move(t));
    }
    return plan;
}

PendingFile::PendingFile(fs::path target) : m_target(std::move(target)) {
    fs::path folder = m_target.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / ("." + m_target.filename().string() + ".XXXXXX.part")).string();
    const int fd = mkstemps(pattern.data(), 5);
    if (fd < 0) {
        m_error = "cannot write in " + folder.string() + ": " + systemReason(errno);
        return;
    }
    m_fd = fd;
    m_temporary = pattern;
}

PendingFile::~PendingFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
}

int PendingFile::takeDescriptor() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool PendingFile::commit(bool overwrite) {
    if (m_temporary.empty()) return false;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    ::chmod(m_temporary.c_str(), 0666 & ~currentUmask());
    int rc = overwrite ? ::rename(m_temporary.c_str(), m_target.c_str())
                       : ::renameat2(AT_FDCWD, m_temporary.c_str(), AT_FDCWD, m_target.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && !overwrite && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without exclusive rename: a hard link fails just the
        // same when the target exists.
        rc = ::link(m_temporary.c_str(), m_target.c_str());
        if (rc == 0) ::unlink(m_temporary.c_str());
    }
    if (rc != 0) {
        m_error = errno == EEXIST ? m_target.string() + " exists (--force overwrites it)"
                                  : "cannot create " + m_target.string() + ": " + systemReason(errno);
        return false;
    }
    m_temporary.clear();
    return true;
}

}  // namespace zrc::cli
