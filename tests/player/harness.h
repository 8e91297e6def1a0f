// The player's engines and window on the real PageCodec and in-process fakes of Corvid and Orvel. The fake
// output keeps the blocks it is given and hears one more every 10 polls; the fake decoder's "samples" are the
// page's codes, so a test can tell which page made a block or a file.
#pragma once

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>

#include "form1.h"  // and through it the engines
#include "sound_files.h"
#include "test_files.h"
#include "zrc_builder.h"

namespace zrc::test {

using Bytes = std::vector<std::uint8_t>;
inline QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// A file read back as players read it, by the name the player was given.
inline ReadSound readSound(const QString& path) {
    return readSound(std::filesystem::path(QFile::encodeName(path).toStdString()));
}

struct Fakes {
    inline static Fakes* now = nullptr;  // the one the fake functions answer from
    std::vector<std::pair<std::string, std::int32_t>> calls;  // each with the one argument a test looks at
    std::map<std::string, std::vector<std::int32_t>> args;   // the same, by function
    std::map<std::string, std::int32_t> results;              // answers other than the defaults
    std::array<std::uint8_t, 100> info{};                     // what the information buffers receive
    std::function<void(const std::string&, std::int32_t)> onCall;
    bool awaitingHeader = false, playing = false;
    struct Free { void operator()(void* block) const { std::free(block); } };
    std::vector<std::unique_ptr<void, Free>> held;  // data blocks since WavCreate; the output owns them
    int played = 0, polls = 0, mostAhead = 0;
    std::map<int, std::function<void()>> atPlayed;  // posted once, when that many blocks are heard
    std::vector<int> pagesQueued;                   // each data block's first sample: its page mod 8

    Fakes() { now = this; }
    ~Fakes() { now = nullptr; }
    std::int32_t call(const std::string& f, std::int32_t arg, std::int32_t otherwise = 0) {
        calls.emplace_back(f, arg);
        args[f].push_back(arg);
        if (onCall) onCall(f, arg);
        const auto it = results.find(f);
        return it == results.end() ? otherwise : it->second;
    }
    std::int32_t end(const char* f) {
        playing = awaitingHeader = false;
        held.clear();
        return call(f, 0);
    }

    template <typename F> static QFunctionPointer fn(F* f) { return reinterpret_cast<QFunctionPointer>(f); }
    void standIn(player::Binder& binder) {
        binder.provide("Corvid", {
            {"WavCreate", fn<decltype(::WavCreate)>([] {
                 const std::int32_t result = now->end("WavCreate");
                 now->played = now->polls = 0;
                 now->awaitingHeader = true;
                 return result;
             })},
            {"WavAddPlayData", fn<decltype(::WavAddPlayData)>([](void** slot, int32_t length) {
                 if (!now->awaitingHeader && length >= 2) now->pagesQueued.push_back(*static_cast<uint8_t*>(*slot));
                 if (now->playing) now->held.emplace_back(*slot); else std::free(*slot);
                 now->playing = now->playing || std::exchange(now->awaitingHeader, false);
                 return now->call("WavAddPlayData", length);
             })},
            {"WavNowPlay", fn<decltype(::WavNowPlay)>([] {
                 Fakes& f = *now;
                 f.call("WavNowPlay", 0);
                 if (!f.playing) return -2;
                 const int queued = int(f.held.size());
                 f.mostAhead = std::max(f.mostAhead, queued - f.played);
                 if (++f.polls % 10 == 0 && f.played < queued) ++f.played;
                 if (f.atPlayed.count(f.played)) QTimer::singleShot(0, f.atPlayed.extract(f.played).mapped());
                 return f.played >= queued && f.polls >= 10 ? -2 : f.played;
             })},
            {"WavStop", fn<decltype(::WavStop)>([] { return now->end("WavStop"); })},
            {"WavDestroy", fn<decltype(::WavDestroy)>([] { return now->end("WavDestroy"); })},
        });
        binder.provide("Orvel", {
            {"SoundSet11k16bit", fn<decltype(::orvelDeclaration_SoundSet11k16bit)>([](void** slot, int32_t rate, auto) {
                 *slot = std::calloc(100, 1);
                 return now->call("SoundSet11k16bit", rate);
             })},
            {"pb_adpcm_dec", fn<decltype(::orvelDeclaration_pb_adpcm_dec)>(
                 [](int32_t, int32_t, int32_t count, const uint8_t* codes, void** slot, int32_t mode) {
                     if (mode == 1) return 0;
                     *slot = std::calloc(std::size_t(std::max(count, 1)), 2);
                     std::copy_n(codes, count, static_cast<std::int16_t*>(*slot));
                     return now->call("pb_adpcm_dec", 0, count);
                 })},
            {"WavPlx", fn<decltype(::WavPlx)>([](const char*, int32_t, uint8_t, void**, int32_t, int32_t, auto* out) {
                 return std::copy(now->info.begin(), now->info.end(), out), now->call("WavPlx", 0); })},
            {"GetWavType", fn<decltype(::GetWavType)>([](const char*, uint8_t* out) {
                 return std::copy(now->info.begin(), now->info.end(), out), now->call("GetWavType", 0); })},
            {"PcmWavPlay", fn<decltype(::PcmWavPlay)>([](const char*, uint8_t, int32_t start, int32_t n, void** slot) {
                 *slot = std::calloc(std::size_t(std::max(n, 1)), 2);
                 return now->call("PcmWavPlay", start, n * 2);
             })},
            // Creates the file, and tells its whole size in the data size of the WAV header it copies.
            {"AdpcmDecHeader", fn<decltype(::AdpcmDecHeader)>([](const char* wav, int32_t, int32_t, int32_t, int32_t,
                                                                int32_t, int32_t pages0, int32_t, uint8_t* scratch) {
                 const std::int32_t needed = now->call("AdpcmDecHeader", pages0);
                 const std::uint32_t dataBytes = std::uint32_t(needed - 44);
                 if (needed != -1) std::memcpy(scratch + 40, &dataBytes, 4), writeFile(wav, {});
                 return needed;
             })},
            // Appends the page's codes; a page after the file was removed brings it back, which a test sees.
            {"AdpcmDecx", fn<decltype(::AdpcmDecx)>([](const char* wav, const uint8_t* codes, int32_t, int32_t,
                                                      int32_t count, int32_t, int32_t mode) {
                 if (mode != 1) std::ofstream(wav, std::ios::binary | std::ios::app).write(
                                     reinterpret_cast<const char*>(codes), std::clamp(count, 0, 2048));
                 return now->call("AdpcmDecx", mode);
             })},
        });
    }
};

// Type-0 pages (1,360 3-bit codes) and type-1 pages (2,046 2-bit codes), each of one code: its number mod 8
// (mod 4 in type 1).
struct Recording { Bytes bytes; std::vector<Bytes> pageCodes; };
inline Recording makeRecording(int pages, const std::function<bool(int)>& isType1 = [](int) { return false; }) {
    Recording r;
    ZrcBuilder builder;
    for (int p = 0; p < pages; ++p) {
        const int width = isType1(p) ? 2 : 3;
        r.pageCodes.emplace_back(width == 2 ? 2046 : 1360, std::uint8_t(p % (1 << width)));
        builder.page(r.pageCodes.back(), width, width == 2 ? 0x01 : 0x00);
    }
    r.bytes = builder.bytes();
    return r;
}

// The real PageCodec from the build's folder (where the real Corvid and Orvel are too), the fakes for those two.
struct Libraries {
    Fakes fakes;
    player::Binder binder{{QFileInfo(QStringLiteral(ZRC_PAGECODEC_FILE)).path()}, false};
    TempDir files;
    explicit Libraries(bool real = false) {
        if (!real) fakes.standIn(binder);
    }
    QString write(const std::string& name, const Bytes& data) { return writeFile(files.file(name), data), path(name); }
    QString path(const std::string& name) { return qpath(files.file(name)); }
};

// Keeps what the engines show; its pump runs what a test posted.
struct EngineView : player::PlaybackView, player::ConversionView, player::TestPlayback::View {
    int slider = 0, sliderMaximum = -1, idles = 0, playedAtIdle = -1;
    std::vector<float> waits;
    std::vector<std::string> boxes;  // refusals, as "playback N/M", "convert N" or "test"
    std::vector<int> progressPages;
    std::vector<QString> texts;
    std::optional<std::int64_t> free = std::int64_t{1} << 40;
    bool finishedRun = false, allModes = false;

    bool pump() override { return QCoreApplication::processEvents(), true; }
    bool poll() override { return pump(); }
    bool wait(float seconds) override { return waits.push_back(seconds), pump(); }
    std::int32_t sliderValue() override { return slider; }
    void setSliderMaximum(std::int32_t page) override { sliderMaximum = page; }
    void setSlider(std::int32_t page) override { slider = std::clamp(page, 0, std::max(sliderMaximum, 0)); }
    void showTime(std::int32_t& page) override { page = std::max(page, 0); }
    void markMode(std::int16_t, bool all) override { allModes = all; }
    void idle() override { ++idles, playedAtIdle = Fakes::now->played; }
    void refused(player::PlaybackRefusal why, player::RecordingSession::Load load) override {
        boxes.push_back("playback " + std::to_string(int(why)) + "/" + std::to_string(int(load)));
    }
    void started() override {}
    void hideAnimation() override {}
    void setProgressMaximum(std::int32_t) override {}
    std::function<void(int)> atProgress = [](int) {};
    void setProgress(std::int32_t page) override { progressPages.push_back(page), atProgress(page); }
    void setProgressText(const QString& text) override { texts.push_back(text); }
    void finished() override { finishedRun = true; }
    void refused(int promptSlot) override { boxes.push_back("convert " + std::to_string(promptSlot)); }
    std::optional<std::int64_t> freeSpace(const QString&) override { return free; }
    void refused() override { boxes.push_back("test"); }
};

struct Engines : Libraries {
    player::PageCodecApi pageCodec{binder};
    player::CorvidApi corvid{binder};
    player::OrvelApi orvel{binder};
    player::RecordingSession session{pageCodec};
    player::PlaybackEngine playback{session, pageCodec, corvid, orvel};
    player::ConversionJob conversion{session, pageCodec, orvel};
    player::TestPlayback testPlayback{corvid, orvel};
    EngineView v;
    explicit Engines(bool real = false) : Libraries(real) {}
};

// The window, offscreen, on the same libraries.
struct Window : Libraries {
    player::ScriptedDialogs dialogs;
    player::Form1 form{{&binder, &dialogs, path("lock"), QString()}};
    const player::Form1Controls& c = form.controls();

    explicit Window(bool real = false) : Libraries(real) { form.Form_Load(); }
    QString open(const std::string& name, const Bytes& bytes) {
        dialogs.answerOpen(write(name, bytes));
        form.M_fileopen_Click();
        return path(name);
    }
    // Runs `action` from the event loop once the conversion writes its first page.
    void atFirstPage(std::function<void()> action) {
        fakes.onCall = [this, action](const std::string& f, int mode) {
            if (f == "AdpcmDecx" && mode != 1 && fakes.args[f].size() == 2) QTimer::singleShot(0, &form, action);
        };
    }
};

}  // namespace zrc::test
