// Free space for a file about to be written.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace zrc::player {

// Free bytes available to this user in the folder that will receive
// `fileName` (the file itself need not exist), in full: a WAV file may need
// more than 32 bits can count. Empty when the folder cannot be examined.
std::optional<std::int64_t> DISKSPACEFREE(const QString& fileName);

}  // namespace zrc::player
