// The player's engines on the real PageCodec and the doubles of Corvid and
// Orvel, with a view that keeps what they show, and a model of the sound the
// Corvid double "plays": one more block heard every few polls of WavNowPlay.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "call_log.h"
#include "conversion_job.h"
#include "library_folder.h"
#include "playback_engine.h"
#include "test_files.h"
#include "test_playback.h"
#include "zrc_builder.h"

namespace zrc::test {

using doubles::CallLog;
using Bytes = std::vector<std::uint8_t>;

inline QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// Type-0 pages (1,360 3-bit codes) and type-1 pages (2,046 2-bit codes),
// each page its own pattern; code 0 is its number mod 8 (mod 4 in type 1).
struct Recording {
    Bytes bytes;
    std::vector<Bytes> pageCodes;
};

inline Recording makeRecording(int pages, const std::function<bool(int)>& isType1 = [](int) { return false; }) {
    Recording r;
    ZrcBuilder builder;
    for (int p = 0; p < pages; ++p) {
        const bool one = isType1(p);
        const int width = one ? 2 : 3;
        Bytes codes(one ? 2046 : 1360);
        for (std::size_t i = 0; i < codes.size(); ++i) {
            codes[i] = static_cast<std::uint8_t>((static_cast<std::size_t>(p) * 5 + i / 3) % (1u << width));
        }
        codes[0] = static_cast<std::uint8_t>(p % (1 << width));
        builder.page(codes, width, one ? 0x01 : 0x00);
        r.pageCodes.push_back(codes);
    }
    r.bytes = builder.bytes();
    return r;
}

// The pages (mod 8) of the data blocks queued since the log was reset.
inline std::vector<int> pagesQueued() { return CallLog::instance().firstBytes(); }

struct EngineView : player::PlaybackView, player::ConversionView, player::TestPlayback::View {
    // Run by the pump once `played` blocks have been heard.
    std::map<int, std::function<void()>> atPlayed;
    std::function<void()> onPump;  // run by every pump
    int played = 0, polls = 0, generation = 0, mostAhead = 0, pollsPerBlock = 10;
    std::optional<int> runsOutAt;  // blocks heard at which the sound reports -2 instead of its count
    int slider = 0, sliderMaximum = -1, idles = 0, playedAtIdle = -1, time = -1;
    std::vector<float> waits;
    std::vector<std::string> boxes;  // refusals, as "playback N/M", "convert N" or "test"
    std::vector<int> progressPages;
    std::vector<QString> texts;
    std::optional<std::int64_t> free = std::int64_t{1} << 40;
    bool finishedRun = false, allModes = false;

    EngineView() {
        CallLog::instance().reset();
        CallLog::instance().nowPlay = [this](const doubles::Wave& w) { return nowPlay(w); };
    }
    ~EngineView() override { CallLog::instance().nowPlay = nullptr; }

    std::int32_t nowPlay(const doubles::Wave& w) {
        if (w.generation != generation) generation = w.generation, played = polls = 0;
        mostAhead = std::max(mostAhead, w.dataBlocks - played);
        if (++polls % pollsPerBlock == 0 && played < w.dataBlocks) ++played;
        if (runsOutAt && played >= *runsOutAt) return -2;
        return played >= w.dataBlocks && polls >= pollsPerBlock ? -2 : played;
    }
    bool pump() override {
        if (onPump) onPump();
        for (auto it = atPlayed.begin(); it != atPlayed.end() && it->first <= played;) {
            auto action = std::move(it->second);
            it = atPlayed.erase(it);
            action();
        }
        return true;
    }
    bool poll() override { return pump(); }
    bool wait(float seconds) override { return waits.push_back(seconds), pump(); }
    std::int32_t sliderValue() override { return slider; }
    void setSliderMaximum(std::int32_t page) override { sliderMaximum = page; }
    void setSlider(std::int32_t page) override { slider = std::clamp(page, 0, std::max(sliderMaximum, 0)); }
    void showTime(std::int32_t& page) override { time = page = std::max(page, 0); }
    void markMode(std::int16_t, bool all) override { allModes = all; }
    void idle() override { ++idles, playedAtIdle = played; }
    void refused(player::PlaybackRefusal why, player::RecordingSession::Load load) override {
        boxes.push_back("playback " + std::to_string(int(why)) + "/" + std::to_string(int(load)));
    }
    void started() override {}
    void setProgressMaximum(std::int32_t) override {}
    void setProgress(std::int32_t page) override { progressPages.push_back(page); }
    void setProgressText(const QString& text) override { texts.push_back(text); }
    void hideAnimation() override {}
    void finished() override { finishedRun = true; }
    void refused(int promptSlot) override { boxes.push_back("convert " + std::to_string(promptSlot)); }
    std::optional<std::int64_t> freeSpace(const QString&) override { return free; }
    void refused() override { boxes.push_back("test"); }
};

struct Engines {
    LibraryFolder folder{LibraryFolder::All};
    player::Binder binder{{folder.path()}, false};
    player::PageCodecApi pageCodec{binder};
    player::CorvidApi corvid{binder};
    player::OrvelApi orvel{binder};
    player::RecordingSession session{pageCodec};
    player::PlaybackEngine playback{session, pageCodec, corvid, orvel};
    player::ConversionJob conversion{session, pageCodec, orvel};
    player::TestPlayback testPlayback{corvid, orvel};
    TempDir files;

    QString write(const std::string& name, const Bytes& bytes) {
        writeFile(files.file(name), bytes);
        return qpath(files.file(name));
    }
};

}  // namespace zrc::test
