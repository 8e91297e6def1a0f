// The decisions of a conversion to WAV, apart from the window: the default
// output name, the progress display and the decode mode.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

namespace zrc::sound {
enum class SoundFormat;  // sound_format.h
}  // namespace zrc::sound

namespace zrc::player {

// filename0 with its last three characters replaced by extstr, unless they
// already are extstr (case-sensitive). No dot is looked for: "MEMO01.zrc"
// gives "MEMO01.wav", "README" gives "REAwav". A name shorter than three
// characters is replaced whole.
QString CrExstr(const QString& filename0, const QString& extstr);

// Pages between two progress updates: 15 above 100 pages, else 2.
std::int32_t displayInterval(std::int32_t pageCount);

// Whether page p of a recording of pageCount pages gets a progress update:
// every displayInterval-th page and the last one.
bool isProgressPage(std::int32_t p, std::int32_t pageCount);

// The percentage shown for page p, as (p / (pageCount - 1)) x 100 in double
// precision, truncated. Empty for a recording of fewer than two pages, where
// nothing can be divided: the display then keeps what it shows.
std::optional<QString> progressPercent(std::int32_t p, std::int32_t pageCount);

// What follows the percentage at a progress update, by display phase (0 or
// 1): the moving dot tells that the conversion is alive when the number
// does not change.
QString progressSuffix(int phase);

// The decode mode of a recording's pages: 2 when it holds pages of both
// types, else 0.
std::int32_t decodeMode(std::uint32_t pages0, std::uint32_t pages1);

// The save dialog's filter of File > Export, one pair per format of
// zrc::sound::allFormats() in its order: "FLAC file(*.flac)|*.flac".
QString exportFilter();

// The file an export writes for the name chosen under the filter of
// `filterFormat`, and its format: a name that ends in a format's extension
// (in any case) is of that format; any other gets the filter's extension.
std::pair<QString, zrc::sound::SoundFormat> exportTarget(const QString& chosen, zrc::sound::SoundFormat filterFormat);

// Whether the two names reach one file: the same path in any spelling,
// through links or as another hard link. False when either does not exist.
bool isSameFile(const QString& a, const QString& b);

}  // namespace zrc::player
