#include "convert_rules.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "sound_format.h"

namespace zrc::player {

QString CrExstr(const QString& filename0, const QString& extstr) {
    if (filename0.right(3) == extstr) return filename0;
    return filename0.left(std::max<qsizetype>(filename0.size() - 3, 0)) + extstr;
}

std::int32_t displayInterval(std::int32_t pageCount) { return pageCount > 100 ? 15 : 2; }

bool isProgressPage(std::int32_t p, std::int32_t pageCount) {
    return p % displayInterval(pageCount) == 0 || p == pageCount - 1;
}

std::optional<QString> progressPercent(std::int32_t p, std::int32_t pageCount) {
    if (pageCount < 2) return std::nullopt;
    // Divided first, then scaled, as the recorder's own software shows it:
    // 29 of 100 steps is 28 %, 0.29 being a shade under its decimal.
    const double percent = (static_cast<double>(p) / static_cast<double>(pageCount - 1)) * 100.0;
    return QString::number(static_cast<std::int64_t>(percent));
}

QString progressSuffix(int phase) { return phase == 0 ? QStringLiteral(" %   ") : QStringLiteral(" %  ."); }

std::int32_t decodeMode(std::uint32_t pages0, std::uint32_t pages1) { return pages0 > 0 && pages1 > 0 ? 2 : 0; }

QString exportFilter() {
    QStringList pairs;
    for (const sound::FormatTraits& t : sound::allFormats()) {
        const QString pattern =
            QStringLiteral("*") + QString::fromUtf8(t.extension.data(), qsizetype(t.extension.size()));
        pairs << QString::fromUtf8(t.title.data(), qsizetype(t.title.size())) + QStringLiteral(" file(") + pattern +
                     QStringLiteral(")|") + pattern;
    }
    return pairs.join(QLatin1Char('|'));
}

std::pair<QString, sound::SoundFormat> exportTarget(const QString& chosen, sound::SoundFormat filterFormat) {
    if (const auto format = sound::formatOfFileName(QFile::encodeName(chosen).toStdString())) return {chosen, *format};
    const std::string_view extension = sound::traitsOf(filterFormat).extension;
    return {chosen + QString::fromUtf8(extension.data(), qsizetype(extension.size())), filterFormat};
}

bool isSameFile(const QString& a, const QString& b) {
    std::error_code error;
    const bool same = std::filesystem::equivalent(QFile::encodeName(a).toStdString(),
                                                  QFile::encodeName(b).toStdString(), error);
    return !error && same;
}

}  // namespace zrc::player
