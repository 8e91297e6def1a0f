#include "test_playback.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <optional>

#include "block_slots.h"
#include "open_rules.h"

namespace zrc::player {

namespace {
constexpr std::int64_t kStretchBytes = 1000;
constexpr std::int32_t kHeaderLength = 10000;
}  // namespace

void TestPlayback::play(View& view, const QString& fileName) {
    const QByteArray name = libraryFileName(fileName);

    m_corvid.WavStop();
    if (!view.pump()) return;
    m_corvid.WavDestroy();
    if (!view.pump()) return;
    m_corvid.WavCreate();
    if (!view.pump()) return;

    const auto shutOutput = [&] {
        m_corvid.WavStop();
        if (!view.pump()) return;
        m_corvid.WavDestroy();
        view.pump();
    };

    std::array<std::uint8_t, 100> info{};
    const std::optional<std::int32_t> length = m_orvel.GetWavType(name.constData(), info.data());
    if (!length) return shutOutput();
    const std::uint8_t rate = info[0];
    const std::uint8_t sampleSize = info[1];
    const std::int64_t dataStart = std::int64_t{info[2]} + 1;
    // Only 11,025 and 8,000 Hz have a header to announce them.
    if (*length < 0 || (rate != 11 && rate != 8)) {
        view.refused();
        return shutOutput();
    }

    // The whole data is played, its last, shorter stretch included.
    const std::int64_t stretches = (*length + kStretchBytes - 1) / kStretchBytes;
    std::optional<BlockSlots> cells;
    try {
        cells.emplace(static_cast<std::size_t>(stretches) + 1);
    } catch (const std::bad_alloc&) {
        return shutOutput();
    }

    m_orvel.SoundSet11k16bit(cells->slot(0), rate, info.data());
    cells->handTo(m_corvid, 0, kHeaderLength);
    for (std::int64_t k = 0; k < stretches; ++k) {
        const std::int64_t start = kStretchBytes * k + dataStart;
        if (start > std::numeric_limits<std::int32_t>::max()) break;
        const std::int64_t bytes = std::min(kStretchBytes, *length - kStretchBytes * k);
        const auto cell = static_cast<std::size_t>(k) + 1;
        const std::int32_t made = m_orvel
                                      .PcmWavPlay(name.constData(), sampleSize, static_cast<std::int32_t>(start),
                                                  static_cast<std::int32_t>(bytes), cells->slot(cell))
                                      .value_or(0);
        cells->handTo(m_corvid, cell, made);
    }

    for (bool playing = true; playing;) {
        if (!view.poll()) return;
        if (m_corvid.WavNowPlay().value_or(-2) == -2) playing = false;
    }
    shutOutput();
}

}  // namespace zrc::player
