// The window with the real PageCodec and the doubles of Corvid and Orvel,
// and a model of the sound the Corvid double "plays", for the window's tests.
#pragma once

#include <QString>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "call_log.h"
#include "form1.h"
#include "library_folder.h"
#include "zrc_builder.h"

namespace zrc::test {

inline QString qpath(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

inline const player::MessageTable kMsg = player::messageTable(player::buildLanguageCode());

struct PlayerHarness {
    explicit PlayerHarness(int libraries = LibraryFolder::All, const QString& commandLine = QString())
        : folder(libraries),
          binder({folder.path()}, false),
          form({&binder, &dialogs, qpath(files.file("ZrcPlayer.lock")), commandLine}) {}

    // Starts the window and forgets the calls start-up made.
    PlayerHarness& started() {
        form.Form_Load();
        doubles::CallLog::instance().reset();
        return *this;
    }

    // File > Open of `path`, then forgets the calls it made.
    void open(const std::filesystem::path& path) {
        dialogs.answerOpen(qpath(path));
        form.M_fileopen_Click();
        doubles::CallLog::instance().reset();
    }

    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const auto path = files.file(name);
        writeFile(path, bytes);
        return path;
    }

    player::Form1Controls controls() const { return form.controls(); }

    // Exactly one message box was shown, this one.
    bool shownOneBox(const QString& prompt, int style, const QString& title) const {
        const auto& boxes = dialogs.boxes();
        if (boxes.size() != 1) {
            qWarning("%zu message boxes", boxes.size());
            return false;
        }
        if (boxes[0].prompt == prompt && boxes[0].style == style && boxes[0].title == title) return true;
        qWarning("box \"%s\" style %d titled \"%s\"", qPrintable(boxes[0].prompt), boxes[0].style,
                 qPrintable(boxes[0].title));
        return false;
    }

    TempDir files;
    LibraryFolder folder;
    player::Binder binder;
    player::ScriptedDialogs dialogs;
    player::Form1 form;
};

// A recording of type-0 pages (3-bit codes, 1,360 a page). The first four
// codes of page k spell k in octal and code i of the rest is i mod 8, so a
// block the Orvel double made from it (sample i = code i) names its page and
// shows its samples in order.
inline std::vector<std::uint8_t> numberedRecording(int pages) {
    ZrcBuilder builder;
    for (int k = 0; k < pages; ++k) {
        std::vector<std::uint8_t> codes(1360);
        for (std::size_t i = 0; i < codes.size(); ++i) codes[i] = static_cast<std::uint8_t>(i % 8);
        for (int d = 0; d < 4; ++d) codes[static_cast<std::size_t>(d)] = static_cast<std::uint8_t>((k >> (9 - 3 * d)) & 7);
        builder.page(codes, 3, 0x00);
    }
    return builder.bytes();
}

// The page a queued data block was made from, or -1 when it is no page of a
// numbered recording, or not in order.
inline int pageOf(const doubles::QueuedBlock& block) {
    if (block.head.size() < 64 || block.length != 2 * 1360) return -1;
    const auto sample = [&](std::size_t i) { return block.head[2 * i] | block.head[2 * i + 1] << 8; };
    for (std::size_t i = 4; i < 32; ++i) {
        if (sample(i) != static_cast<int>(i % 8)) return -1;
    }
    return sample(0) << 9 | sample(1) << 6 | sample(2) << 3 | sample(3);
}

// The pages of the data blocks queued under playback `generation` (every
// playback when 0), in the order queued.
inline std::vector<int> pagesQueued(int generation = 0) {
    std::vector<int> pages;
    for (const auto& block : doubles::CallLog::instance().queued()) {
        if (!block.header && (generation == 0 || block.generation == generation)) pages.push_back(pageOf(block));
    }
    return pages;
}

inline std::vector<int> pageRange(int first, int last) {
    std::vector<int> pages;
    for (int k = first; first <= last ? k <= last : k >= last; k += first <= last ? 1 : -1) pages.push_back(k);
    return pages;
}

// What the Corvid double reports while something plays: one more block heard
// every `pollsPerBlock` polls of WavNowPlay, never more than are queued, and
// -2 once everything queued has been heard (but not before `pollsPerBlock`
// polls from the header). A new playback (WavCreate) starts over. No clock
// is involved: the engine's own polls drive it.
class Sound {
public:
    using Condition = std::function<bool(const doubles::Wave&, int played)>;

    explicit Sound(int pollsPerBlock = 10) : m_pollsPerBlock(pollsPerBlock) {
        doubles::CallLog::instance().nowPlay = [this](const doubles::Wave& wave) { return poll(wave); };
    }
    ~Sound() { doubles::CallLog::instance().nowPlay = nullptr; }
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    // Runs `action` once, through the event queue, when `condition` first
    // holds at a poll: inside the engine's next pump, where a user's click
    // would come.
    void when(Condition condition, std::function<void()> action) {
        m_actions.push_back({std::move(condition), std::move(action), false});
    }
    void atPlayed(int played, std::function<void()> action, int generation = 1) {
        when([=](const doubles::Wave& w, int n) { return w.generation == generation && n >= played; },
             std::move(action));
    }

    // The sound runs out right after `blocks` data blocks have been queued:
    // one poll still counts as usual, every later one reports -2, with no
    // count ever showing the last block playing.
    void runsOutAfter(int blocks) { m_runsOutAfter = blocks; }

    int played() const { return m_played; }
    // Most queued blocks not yet heard, at any poll.
    int mostAhead() const { return m_mostAhead; }

private:
    struct Action {
        Condition condition;
        std::function<void()> run;
        bool done;
    };

    std::int32_t poll(const doubles::Wave& wave) {
        if (wave.generation != m_generation) {
            m_generation = wave.generation;
            m_played = 0;
            m_polls = 0;
            m_lastCount = false;
        }
        m_mostAhead = std::max(m_mostAhead, wave.dataBlocks - m_played);
        if (m_runsOutAfter && wave.dataBlocks >= *m_runsOutAfter) {
            if (m_lastCount) return -2;
            m_lastCount = true;
            return m_played;
        }
        if (++m_polls % m_pollsPerBlock == 0 && m_played < wave.dataBlocks) ++m_played;
        for (Action& action : m_actions) {
            if (!action.done && action.condition(wave, m_played)) {
                action.done = true;
                QTimer::singleShot(0, action.run);
            }
        }
        // Like the real library, a playback lasts a while from its header
        // even with nothing queued.
        if (m_polls >= m_pollsPerBlock && m_played == wave.dataBlocks) return -2;
        return m_played;
    }

    int m_pollsPerBlock;
    int m_generation = 0;
    int m_played = 0;
    int m_polls = 0;
    int m_mostAhead = 0;
    bool m_lastCount = false;
    std::optional<int> m_runsOutAfter;
    std::vector<Action> m_actions;
};

}  // namespace zrc::test
