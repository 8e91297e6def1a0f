// zrc play against broken input and a recording that changes while it
// plays: the refusals before any sound, names with spaces and non-ASCII
// bytes, the file deleted or cut during playback. Played through SDL's disk
// driver.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "commands.h"
#include "recording_player.h"
#include "test_files.h"
#include "zrc_builder.h"

namespace zrc::cli {
namespace {

namespace fs = std::filesystem;
using test::ZrcBuilder;
using Bytes = std::vector<std::uint8_t>;

// The bytes between the leading and the trailing zero bytes of the sound.
Bytes sound(const Bytes& v) {
    auto first = std::find_if(v.begin(), v.end(), [](std::uint8_t b) { return b != 0; });
    auto last = std::find_if(v.rbegin(), v.rend(), [](std::uint8_t b) { return b != 0; }).base();
    return first < last ? Bytes(first, last) : Bytes{};
}

class PlayBadInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_dir.file("played.raw").c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "25", 1);
    }
    std::string write(const std::string& name, const Bytes& bytes) {
        test::writeFile(m_dir.file(name), bytes);
        return m_dir.file(name).string();
    }
    Bytes played() const { return test::readFile(m_dir.file("played.raw")); }
    // Pages of 3-bit codes, every page different, so that a page played
    // twice or left out shows in the sound.
    static Bytes recording(int pages) {
        ZrcBuilder b;
        for (int p = 0; p < pages; ++p) {
            Bytes codes(1360);
            for (std::size_t k = 0; k < codes.size(); ++k) codes[k] = static_cast<std::uint8_t>((k * 5 + static_cast<std::size_t>(p) * 3) % 8);
            b.page(codes, 3, 0);
        }
        return b.bytes();
    }
    // Plays the whole file, calling meanwhile (once) when page 1 is heard.
    PlayResult play(const std::string& file, const std::function<void()>& meanwhile) {
        RecordingPlayer player(file);
        EXPECT_EQ(player.error(), "");
        bool done = false;
        return player.play(0, PlayMode::Play, nullptr, [&](const PlayPosition& p) {
            if (p.page >= 1 && !done && meanwhile) {
                done = true;
                meanwhile();
            }
        });
    }
    struct Outcome {
        int status;
        std::string out, err;
    };
    Outcome run(const std::string& file, std::optional<std::uint32_t> from = std::nullopt) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = runPlay({file, from, false, false});
        std::string out = ::testing::internal::GetCapturedStdout();
        return {status, out, ::testing::internal::GetCapturedStderr()};
    }

    test::TempDir m_dir;
};

TEST_F(PlayBadInputTest, RefusedWithOneLineBeforeAnySound) {
    const Bytes one = recording(1);
    write("notes.txt", {'h', 'e', 'l', 'l', 'o'});
    write("empty.zrc", Bytes(one.begin(), one.begin() + 92));
    write("one.zrc", one);
    fs::create_directory(m_dir.file("folder.zrc"));
    const bool root = ::geteuid() == 0;  // root reads files without read permission
    write("locked.zrc", one);
    fs::permissions(m_dir.file("locked.zrc"), fs::perms::owner_write);
    struct Row {
        std::string file;
        std::optional<std::uint32_t> from;
        int status;
        std::string reason;
    };
    for (const Row& c : {Row{"absent.zrc", std::nullopt, kExitFileFailed, "cannot open"},
                         Row{"notes.txt", std::nullopt, kExitFileFailed, "not a ZRC recording"},
                         Row{"empty.zrc", std::nullopt, kExitFileFailed, "no pages to play"},
                         Row{"one.zrc", 1, kExitUsage, "beyond the last page"},
                         Row{"folder.zrc", std::nullopt, kExitFileFailed, "cannot open: is a folder"},
                         Row{"locked.zrc", std::nullopt, kExitFileFailed, "cannot open: Permission denied"}}) {
        if (root && c.file == "locked.zrc") continue;
        const std::string path = m_dir.file(c.file).string();
        const Outcome r = run(path, c.from);
        EXPECT_EQ(r.status, c.status) << c.file;
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_FALSE(fs::exists(m_dir.file("played.raw"))) << c.file << " opened the output";
    }
    fs::permissions(m_dir.file("locked.zrc"), fs::perms::owner_all);
}

TEST_F(PlayBadInputTest, NamesWithSpacesAndNonAsciiBytes) {
    const std::string reference = write("reference.zrc", recording(2));
    ASSERT_EQ(run(reference).status, kExitOk);
    const Bytes heard = sound(played());
    ASSERT_FALSE(heard.empty());
    for (const std::string stem : {"voice memo 1", "Besprechung \xC3\xBC", "\xE9\x8C\xB2\xE9\x9F\xB3", "r\xE9union"}) {
        const Outcome r = run(write(stem + ".zrc", recording(2)));
        EXPECT_EQ(r.status, kExitOk) << r.err;
        EXPECT_EQ(sound(played()), heard) << stem;
    }
}

TEST_F(PlayBadInputTest, ChangedDuringPlayback) {
    const std::string rec = write("rec.zrc", recording(12));
    ASSERT_EQ(play(rec, nullptr).end, PlayEnd::Finished);
    const Bytes undisturbed = sound(played());

    // Cut: pages past the cut would read as 0xFF and play as noise. What was
    // heard is the beginning of the recording, nothing after it.
    PlayResult r = play(rec, [&] { fs::resize_file(rec, 92 + 528 * 8); });
    EXPECT_EQ(r.end, PlayEnd::RecordingCut);
    EXPECT_LT(r.page, 8u);
    const Bytes heard = sound(played());
    ASSERT_LE(heard.size(), undisturbed.size());
    EXPECT_TRUE(std::equal(heard.begin(), heard.end(), undisturbed.begin()));

    // Deleted: the open file keeps its bytes after its name goes, so every
    // page is heard.
    write("rec.zrc", recording(12));
    r = play(rec, [&] { fs::remove(rec); });
    EXPECT_FALSE(fs::exists(rec));
    EXPECT_EQ(r.end, PlayEnd::Finished);
    EXPECT_EQ(sound(played()), undisturbed);
}

}  // namespace
}  // namespace zrc::cli
