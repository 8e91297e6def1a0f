#include "time_text.h"

#include <cmath>

namespace zrc::player {

QString strFormatLong(std::int32_t lngNumber, std::int16_t intKeta) {
    QString result;
    for (int n = intKeta; n >= 1; --n) {
        // A 32-bit number has at most ten digits; the places above them are
        // zeros, not an overflow of the power of ten.
        if (n > 10) {
            result += QLatin1Char('0');
            continue;
        }
        const auto high = static_cast<std::int64_t>(std::pow(10.0, n));
        const auto low = static_cast<std::int64_t>(std::pow(10.0, n - 1));
        result += QString::number((lngNumber % high) / low);
    }
    return result;
}

QString strFormatTime(std::int32_t ms) {
    const std::int32_t hours = ms / 1000 / 60 / 60;
    const std::int32_t minutes = (ms / 1000 / 60) % 60;
    const std::int32_t seconds = (ms / 1000) % 60;
    const QString separator = QStringLiteral(" : ");
    return strFormatLong(hours, 2) + separator + strFormatLong(minutes, 2) + separator + strFormatLong(seconds, 2);
}

std::int32_t wavPlayTimeMs(std::int32_t length, int rate, int bits, std::int32_t previous) {
    float reciprocal = 0.0f;
    if (rate == 8) {
        reciprocal = 1.0f / 8000.0f;
    } else if (rate == 11) {
        reciprocal = 1.0f / 11025.0f;
    } else {
        return previous;
    }
    double ms = 0.0;
    if (bits == 8) {
        ms = static_cast<double>(reciprocal) * length * 1000.0;
    } else if (bits == 16) {
        ms = static_cast<double>(reciprocal) * length / 2.0 * 1000.0;
    } else {
        return previous;
    }
    // The rounding mode is the default one, halves to the even neighbour.
    return static_cast<std::int32_t>(std::nearbyint(ms));
}

}  // namespace zrc::player
