// Free space for a file about to be written.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace zrc::player {

// Free bytes available to this user in the folder that will receive
// `fileName` (the file itself need not exist), capped at 2,147,483,647 so
// that it compares with the 32-bit sizes the decoder library reports.
// Empty when the folder cannot be examined.
std::optional<std::int32_t> DISKSPACEFREE(const QString& fileName);

}  // namespace zrc::player
