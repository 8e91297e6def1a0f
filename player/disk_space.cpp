#include "disk_space.h"

#include <QFile>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

namespace zrc::player {

std::optional<std::int64_t> DISKSPACEFREE(const QString& fileName) {
    namespace fs = std::filesystem;
    fs::path folder = fs::path(QFile::encodeName(fileName).toStdString()).parent_path();
    if (folder.empty()) folder = fs::current_path();
    std::error_code error;
    const fs::space_info space = fs::space(folder, error);
    if (error || space.available == static_cast<std::uintmax_t>(-1)) return std::nullopt;
    constexpr auto kMost = static_cast<std::uintmax_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(std::min(space.available, kMost));
}

}  // namespace zrc::player
