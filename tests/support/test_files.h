// Files for tests: the shared data folder, scratch folders, whole-file I/O.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zrc::test {

// tests/data in the source tree.
std::filesystem::path dataPath(const std::string& relative);

std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

std::uint32_t le32At(const std::vector<std::uint8_t>& bytes, std::size_t at);

// The names in a folder, sorted: what a run left behind shows as a change.
std::vector<std::string> fileNames(const std::filesystem::path& folder);

// A fresh temporary folder, removed with its contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path file(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

}  // namespace zrc::test
